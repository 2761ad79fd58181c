#pragma once

#include "platform/Report.h"

#include <filesystem>
#include <map>
#include <string>

namespace brindlemox::app {

// What the player has done, kept between runs in $XDG_DATA_HOME/brindlemox/progress.txt: the best
// time of each level finished, by the catalogue's level ids. One "best SECONDS ID" line each.
struct Progress {
    std::map<std::string, double> bestSeconds;

    // Keeps seconds for id when it beats the best so far (or there is none); says whether it did.
    bool offer(const std::string& id, double seconds);
};

// The most levels a progress file may hold: a damaged or hostile one stays small.
constexpr size_t MaxProgressLevels = 10000;

// The progress in text, or the line saying what is wrong with it (its line number).
platform::Result<Progress> parseProgress(const std::string& text);
std::string progressText(const Progress& progress);

// "$XDG_DATA_HOME/brindlemox/progress.txt"; empty when no folder is usable.
std::filesystem::path progressFile();
// Where the best run of a level is kept: "best/ID.demo" beside the progress.
std::filesystem::path bestRunFile(const std::string& id);

// The progress in file: none when missing; a file that cannot be read or is damaged gives one
// warning line and no progress (it is replaced at the next write).
Progress readProgress(const std::filesystem::path& file);
// Written whole through a temporary file, its folder made if missing.
platform::Result<void> writeProgress(const std::filesystem::path& file, const Progress& progress);
// The demo text of a best run, written whole beside the progress.
platform::Result<void> writeBestRun(const std::string& id, const std::string& demoText);

// "1:05.25": minutes, seconds and hundredths, as the level list shows a best time.
std::string bestTimeText(double seconds);

} // namespace brindlemox::app
