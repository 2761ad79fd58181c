#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace brindlemox::app {

// Finding the game's data folder: the game reads everything relative to its working directory,
// so it changes into the folder found before it starts.
namespace datafolder {

// A folder holds the game's data when it has the folders Config/, Shader/ and Obj/ (the source
// tree's data/, without the generated Obj/, does not).
bool holdsGameData(const std::filesystem::path& folder);

// Where to look, in order. With an explicit folder (--data) only there; otherwise the working
// directory, then beside the program: <program dir>/data (a build tree) and
// <program dir>/../share/games/brindlemox (an installed game). programDir may be empty (unknown).
std::vector<std::filesystem::path> candidates(const std::filesystem::path& workingDir,
                                              const std::string& explicitDir,
                                              const std::filesystem::path& programDir);

// The first candidate that holds the data.
std::optional<std::filesystem::path> find(const std::vector<std::filesystem::path>& candidates);

// The line printed when none does: every place looked at.
std::string notFoundLine(const std::vector<std::filesystem::path>& candidates);

// The folder of the running program (from /proc/self/exe); empty when it cannot be told.
std::filesystem::path programDir();

} // namespace datafolder

} // namespace brindlemox::app
