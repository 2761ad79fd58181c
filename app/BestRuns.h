#pragma once

#include "app/Game.h"

#include <functional>
#include <string>
#include <vector>

namespace brindlemox::app {

// Keeps the player's progress while a run is played (never a replay or a timedemo): when a
// level is finished faster than its best time, the time goes into the progress and the run so
// far, recorded as a demo that ends there, becomes the level's best run.
class BestRuns {
  public:
    // levelIds: the catalogue id of each of the game's levels in play order ("" for one that is
    // not kept). demoSoFar: the run's demo text up to the last frame ended.
    BestRuns(const Game& game, std::vector<std::string> levelIds,
             std::function<std::string()> demoSoFar);

    // After each frame ended (the recorder's line written), frames run so far.
    void afterFrame(long frames);

  private:
    const Game& game;
    std::vector<std::string> ids;
    std::function<std::string()> demoSoFar;
    std::vector<bool> noted;
};

} // namespace brindlemox::app
