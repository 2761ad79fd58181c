#include "levels/LevelSound.h"

#include "effects/WaterMesh.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/VulnerableWall.h"
#include "render/Camera.h"

#include <algorithm>

namespace brindlemox::levels {

using namespace gameplay;
using namespace effects;
using namespace render;

using audio::Sound;

LevelSound::LevelSound(audio::SoundSystem& system, const std::vector<VulnerableWall*>& walls,
                       const std::vector<SimpleEnemy*>& enemies, const WaterMesh* water)
    : system(system), walls(walls), enemies(enemies), water(water) {
    for (VulnerableWall* wall : walls) {
        attackLoops.push_back(system.loop(Sound::WallAttack));
        lastWallHealth.push_back(wall->getHealth());
    }
    for (size_t i = 0; i < enemies.size(); ++i) {
        humLoops.push_back(system.loop(Sound::EnemyHum));
        whirLoops.push_back(system.loop(Sound::SatelliteWhir));
    }
    if (water != nullptr)
        waterLoop = system.loop(Sound::Water);
}

void LevelSound::update(const Camera& camera, const Frame& frame) {
    system.beginFrame();
    system.setListener(camera.getPosition(), camera.getDirection(), camera.getUp());

    for (size_t i = 0; i < walls.size(); ++i) {
        const VulnerableWall& wall = *walls[i];
        const float health = wall.getHealth();
        const bool hit = health < lastWallHealth[i];
        if (hit && !wall.isDead()) {
            const float left = wall.getInitialHealth() > 0.0f
                                   ? std::clamp(health / wall.getInitialHealth(), 0.0f, 1.0f)
                                   : 1.0f;
            attackLoops[i].play(wall.getEmitterPosition(), 1.0f,
                                1.0f + AttackPitchRise * (1.0f - left));
        } else {
            attackLoops[i].stop();
        }
        if (hit && wall.isDead())
            system.playAt(Sound::WallBreak, wall.getEmitterPosition());
        lastWallHealth[i] = health;
    }

    for (size_t i = 0; i < enemies.size(); ++i) {
        const SimpleEnemy& enemy = *enemies[i];
        humLoops[i].play(enemy.getTransform().position, HumGain);
        const CellComponent& satellite = *enemy.getComponent();
        // The whir rises as the satellite spins up, and starts over with its spin.
        whirLoops[i].play(satellite.getTransform().position, WhirGain,
                          0.8f + 0.6f * std::clamp(satellite.getSpinAngle() / 360.0f, 0.0f, 1.0f));
    }

    if (water != nullptr)
        waterLoop.play(water->getTransform().position, WaterGain);

    sinceHurt += frame.deltaTime;
    if (lastPlayerHealth >= 0.0f && frame.playerHealth < lastPlayerHealth && !frame.lost &&
        sinceHurt >= HurtInterval) {
        system.playHere(Sound::PlayerHurt, 0.8f);
        sinceHurt = 0.0f;
    }
    lastPlayerHealth = frame.playerHealth;
    if (frame.lost && !wasLost)
        system.playHere(Sound::Lost);
    wasLost = frame.lost;
    system.endFrame();
}

} // namespace brindlemox::levels
