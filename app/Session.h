#pragma once

#include "app/CommandLine.h"
#include "levels/LevelInterface.h"

#include <string>
#include <vector>

namespace brindlemox::app {

// How a run ended, which main turns into the exit code. Failed: a level or a demo cannot be read
// or written, a replay ends elsewhere than its demo or is stopped with Escape, or the screenshot
// cannot be written. NoWindow: the game could not start (no window, no context).
enum class RunEnd { Done, Failed, NoWindow };

// One run of the game as the command line asks for it, in the data folder (the working
// directory): plain play, a number of frames, recording a demo, replaying one at its pace or as
// a timedemo; then the screenshot and the state line. Problems are reported as they are met.
// next, when given, gets the run the player asked for at the end (a best run to watch from the
// level list: the same options with --replay); it is left as it was otherwise.
RunEnd runSession(const CommandLine& options, CommandLine* next = nullptr);

// Frame-rate figures of a timedemo from its frame times (seconds).
struct FrameRates {
    size_t frames = 0;
    double seconds = 0.0;
    double averageFps = 0.0;
    // The frame rate of the 99th and the 99.9th percentile frame time (nearest rank).
    double lowOnePercentFps = 0.0;
    double lowPointOnePercentFps = 0.0;
};
FrameRates frameRates(std::vector<double> frameSeconds);

// The frame-time trace as CSV: a header, then per frame its number (from 1), its time in ms and
// how many of each kind of work it did (the difference of the tallies after and before it).
std::string frameTimesCsv(const std::vector<double>& frameSeconds,
                          const std::vector<levels::WorkTally>& frameWork);

} // namespace brindlemox::app
