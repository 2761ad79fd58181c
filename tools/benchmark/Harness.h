#pragma once

// What every measurement of the benchmark shares: where figures go, clocks, the viewpoints and
// the scripted steps through the game.

#include "app/Game.h"

#include <glm/vec3.hpp>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace brindlemox::levels {
class Level;
}
namespace brindlemox::platform {
class ScriptedPlatform;
}

namespace bench {

constexpr double FrameTime = 1.0 / 60.0;

// Figures go to the original standard output; the game's progress lines are dropped.
extern FILE* out;
void silenceGame();

// The benchmark times rendering, never the display's refresh.
brindlemox::app::StartOptions neverWaiting();

// The game started with these levels (Level 1 and Level 2 when none), or nullptr when it cannot
// start (the reason is reported).
std::unique_ptr<brindlemox::app::Game> openGame(const brindlemox::app::StartOptions& options,
                                                brindlemox::app::LevelFactory levels = nullptr);

double wallSeconds();
double threadCpuSeconds();
double median(std::vector<double> v);

struct Viewpoint {
    const char* name;
    glm::vec3 eye;
    glm::vec3 target;
};

// Where the scripted playthrough stops to look, level by level.
extern const std::vector<Viewpoint> Level1Views;
extern const std::vector<Viewpoint> Level2Views;

brindlemox::levels::Level& currentLevel(brindlemox::app::Game& game);
// Puts the player at the eye and turns the view to the target by a mouse movement; the next
// frame's physics step applies the turn.
void lookFrom(brindlemox::app::Game& game, const Viewpoint& view);
// One frame of the game at 1/60 s of game time.
bool step(brindlemox::app::Game& game, brindlemox::platform::ScriptedPlatform& keys,
          bool render = true);
// Destroys Level 1's walls; the next frame starts Level 2.
void finishLevel(brindlemox::app::Game& game);
bool waterInView(brindlemox::app::Game& game);

} // namespace bench
