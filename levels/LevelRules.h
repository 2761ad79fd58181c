#pragma once

#include "levels/PhysicsWorld.h"

namespace brindlemox::platform {
class Controls;
} // namespace brindlemox::platform

namespace brindlemox::render {
class Camera;
} // namespace brindlemox::render

namespace brindlemox::gameplay {
class Player;
} // namespace brindlemox::gameplay

namespace brindlemox::levels {

class Hud;
class LevelContent;

// The rules of a level: it is won when every breakable wall is down and lost when the player's
// health runs out first; then the loss screen holds the world still under a countdown. Contacts
// hurt the player until the level is won.
class LevelRules {
  public:
    // Both are the level's and outlive the rules.
    LevelRules(platform::Controls& controls, Hud& hud) : controls(controls), hud(hud) {}

    static bool isWon(const LevelContent& content);
    // The loss screen is over: the level restarts.
    bool isLost() const { return lost && lossSecondsLeft <= 0.0; }
    bool isLosing() const { return lost; }
    bool isCountingDown() const { return lost && lossSecondsLeft > 0.0; }
    void setLossHold(double seconds) { lossHoldSeconds = seconds; }
    // At the start of a frame: whether it shows the loss screen, where nothing moves (it then
    // counts down, ended early by the attack key pressed anew).
    bool standStill(float deltaTime);
    bool isStandingStill() const { return standingStill; }
    // After the frame's moves: a player without health has lost, unless the level is won.
    void judge(float health, const LevelContent& content);
    // This step's contacts hurt the player, flashed at the side they came from; once the level
    // is won nothing does.
    void hurt(PhysicsWorld& physics, gameplay::Player& player, const LevelContent& content,
              const render::Camera& camera);
    // Whether the attack key was pressed since the hold began (it must be let go first).
    bool pressedAnew();
    // A card or the loss screen begins: the attack key must be let go before it counts.
    void awaitPress() { attackLetGo = false; }
    void restart();

  private:
    void showHurt(const PhysicsWorld::Hurt& hurt, const render::Camera& camera);

    platform::Controls& controls;
    Hud& hud;
    bool lost = false;
    double lossHoldSeconds = 3.0;
    double lossSecondsLeft = 0.0;
    bool attackLetGo = false;
    // This frame shows the loss screen: nothing moves.
    bool standingStill = false;
};

} // namespace brindlemox::levels
