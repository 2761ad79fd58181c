#include "levels/LevelRules.h"

#include "gameplay/Player.h"
#include "gameplay/VulnerableWall.h"
#include "levels/Hud.h"
#include "levels/LevelContent.h"
#include "platform/Controls.h"
#include "render/Camera.h"
#include "render/Map.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>

namespace brindlemox::levels {

using namespace gameplay;
using namespace render;

namespace {
// The loss screen stays at most this long, whatever a caller asks.
constexpr double LongestLossHold = 5.0;
} // namespace

bool LevelRules::isWon(const LevelContent& content) {
    for (VulnerableWall* objective : content.objectives())
        if (!objective->isDead())
            return false;
    return true;
}

bool LevelRules::pressedAnew() {
    const bool held = controls.isAttackHeld();
    if (!held)
        attackLetGo = true;
    return held && attackLetGo;
}

bool LevelRules::standStill(float deltaTime) {
    standingStill = lost;
    if (standingStill) {
        lossSecondsLeft -= deltaTime;
        if (pressedAnew())
            lossSecondsLeft = 0.0;
        hud.showLossCountdown(lossSecondsLeft);
    }
    return standingStill;
}

void LevelRules::judge(float health, const LevelContent& content) {
    // A won level stays won: nothing resets it.
    if (health <= 0.0f && !isWon(content)) {
        lost = true;
        lossSecondsLeft = std::min(lossHoldSeconds, LongestLossHold);
        attackLetGo = false;
        hud.showLost();
        hud.showLossCountdown(lossSecondsLeft);
    }
}

void LevelRules::hurt(PhysicsWorld& physics, Player& player, const LevelContent& content,
                      const Camera& camera) {
    if (isWon(content))
        return;
    const Map* map = content.map();
    showHurt(physics.hurtByContacts(player, map != nullptr ? map->getRigidBody() : nullptr,
                                    content.enemies(), controls.getDeltaTime()),
             camera);
}

void LevelRules::showHurt(const PhysicsWorld::Hurt& hurt, const Camera& camera) {
    const float deltaTime = controls.getDeltaTime();
    if (!(hurt.amount > 0.0f) || !(deltaTime > 0.0f))
        return;
    // Where it came from, in the camera's right, up and forward.
    const glm::vec3 away = hurt.from - camera.getPosition();
    const glm::vec3 forward = camera.getDirection();
    const glm::vec3 right = camera.getRight();
    const glm::vec3 up = glm::cross(right, forward);
    const glm::vec3 seen(glm::dot(away, right), glm::dot(away, up), glm::dot(away, forward));
    hud.flashHurt(Hud::sideOf(seen), hurt.amount / deltaTime);
}

void LevelRules::restart() {
    lost = false;
    lossSecondsLeft = 0.0;
}

} // namespace brindlemox::levels
