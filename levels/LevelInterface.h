#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstddef>

namespace audio {
class SoundSystem;
}
#include <string>

// Where a run stands in one level, as the shell reports it (the state line of demos and runs).
struct LevelState {
    bool hasPlayer = false; // the rest but the walls is meaningful only with a player
    float health = 0.0f;
    glm::vec3 position{0.0f};
    double yawDegrees = 0.0;
    double pitchDegrees = 0.0;
    size_t wallsDestroyed = 0;
    size_t wallsTotal = 0;
};

// What the game shell asks of a level, every frame and in this order: applyPolygonMode,
// isFinished (the next level starts when true), isLost (restartAfterLoss when true), update,
// stepPhysics, render. start runs exactly once, when the level becomes current.
class LevelInterface {
  public:
    virtual ~LevelInterface() = default;

    virtual void start() = 0;
    virtual bool isFinished() = 0;
    virtual bool isLost() = 0;
    virtual void update() = 0;
    virtual void render() = 0;
    virtual glm::mat4 getViewMatrix() = 0;

    virtual void applyPolygonMode() = 0;
    virtual void restartAfterLoss() = 0;
    virtual void stepPhysics() = 0;

    // A message the shell has for the player ("Level 1 complete"): shown for seconds of game
    // time, or for good when seconds is 0 or less. Levels without a HUD ignore it.
    virtual void announce(const std::string& /*message*/, double /*seconds*/) {}

    // The run's state in this level. Levels without a player report only their walls.
    virtual LevelState state() const { return {}; }
    // Moves the player there at once, looking along yaw and pitch (degrees) from the next
    // physics step on. False when the level has no player to place.
    virtual bool placePlayer(const glm::vec3& /*position*/, double /*yawDegrees*/,
                             double /*pitchDegrees*/) {
        return false;
    }
    // How long the "You lost!" frame stays on screen before play resumes (seconds).
    virtual void setLossHold(double /*seconds*/) {}
    // What the level plays its sounds through while it is current; null silences it. Sound
    // never changes the run. Levels without sound ignore it.
    virtual void setSound(audio::SoundSystem* /*sound*/) {}
};
