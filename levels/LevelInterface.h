#pragma once

#include <glm/mat4x4.hpp>

#include <string>

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
};
