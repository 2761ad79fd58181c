#pragma once

#include "app/DemoFormat.h"
#include "app/DemoRecorder.h"
#include "app/Game.h"

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace brindlemox::app {

// Keeps the player's progress while a run is played (never a replay or a timedemo): when a
// level is finished faster than its best time, the time goes into the progress and the run so
// far, recorded as a demo that ends there, becomes the level's best run.
class BestRuns {
  public:
    explicit BestRuns(const Game& game);
    ~BestRuns();
    BestRuns(const BestRuns&) = delete;
    BestRuns& operator=(const BestRuns&) = delete;

    // Keeps a run that someone else records (--record): demoSoFar gives its text up to the last
    // frame ended. levelIds: the catalogue id of each of the game's levels in play order ("" for
    // one that is not kept).
    void follow(std::vector<std::string> levelIds, std::function<std::string()> demoSoFar);
    // Keeps a run that starts with the next frame at the spawn of level index (0-based), recording
    // it itself from that frame on. levelFile: the one level file played ("" for the game's
    // levels).
    void begin(Game& game, std::vector<std::string> levelIds, size_t index,
               const std::string& levelFile);
    // Before each frame: a run begun starts recording here.
    void beforeFrame();
    // Stops keeping (back to the title, another level chosen).
    void end();
    bool isKeeping() const { return !ids.empty(); }

    // After each frame, its recorder's line written; frames: run so far (counted from begin when
    // recording itself).
    void afterFrame(long frames);

  private:
    const Game& game;
    std::vector<std::string> ids;
    std::function<std::string()> demoSoFar;
    std::vector<bool> noted;
    // Recording itself: the demo's text and what it was recorded with.
    std::ostringstream text;
    std::unique_ptr<demo::Recorder> recorder;
    demo::Header header;
    long frameCount = 0;
    // A run begun, until its first frame.
    Game* starting = nullptr;
    std::vector<std::string> startingIds;
    size_t startingIndex = 0;
    std::string startingFile;
};

// How a demo names a level file: from the data folder (the working directory) when it lies in
// it, so the demo replays wherever the data is; else by its absolute path.
std::string demoPathOf(const std::string& levelFile);

} // namespace brindlemox::app
