#pragma once

#include "audio/SoundSystem.h"

#include <glm/vec3.hpp>

#include <vector>

namespace brindlemox::render {
class Camera;
}

namespace brindlemox::effects {
class WaterMesh;
}

namespace brindlemox::gameplay {
class SimpleEnemy;
class VulnerableWall;
} // namespace brindlemox::gameplay

namespace brindlemox::levels {

// What a level sounds like, heard from its camera: a grinding loop at each wall while it is hit
// (higher as it weakens), a burst where one falls, a hum at each enemy and a whir at its
// satellite, lapping at the water, the player's hurt and "You lost!". It only reads the level:
// the run is the same with or without it.
class LevelSound {
  public:
    // The lists are the level's, filled by its start; they outlive this.
    LevelSound(audio::SoundSystem& system, const std::vector<gameplay::VulnerableWall*>& walls,
               const std::vector<gameplay::SimpleEnemy*>& enemies, const effects::WaterMesh* water);

    // Once a frame, after the physics step.
    struct Frame {
        float deltaTime = 0.0f;
        float playerHealth = 0.0f;
        bool lost = false;
    };
    void update(const render::Camera& camera, const Frame& frame);

    static constexpr float HumGain = 0.35f;
    static constexpr float WhirGain = 0.12f;
    static constexpr float WaterGain = 0.25f;
    // The hurt sound repeats at most this often while contacts go on hurting.
    static constexpr float HurtInterval = 0.3f;
    // Pitch of a wall's grinding: 1 untouched, rising to 1 + this when it is about to fall.
    static constexpr float AttackPitchRise = 0.8f;

  private:
    audio::SoundSystem& system;
    const std::vector<gameplay::VulnerableWall*>& walls;
    const std::vector<gameplay::SimpleEnemy*>& enemies;
    const effects::WaterMesh* water;

    std::vector<audio::Loop> attackLoops;
    std::vector<float> lastWallHealth;
    std::vector<audio::Loop> humLoops;
    std::vector<audio::Loop> whirLoops;
    audio::Loop waterLoop;
    float lastPlayerHealth = -1.0f;
    float sinceHurt = HurtInterval;
    bool wasLost = false;
};

} // namespace brindlemox::levels
