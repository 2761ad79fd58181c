#pragma once

#include "platform/Report.h"

#include <filesystem>
#include <string>

namespace brindlemox::platform {

// The player's own files, by the XDG base directory rules: settings under $XDG_CONFIG_HOME,
// progress, best runs and the player's levels under $XDG_DATA_HOME, the mipmap cache under
// $XDG_CACHE_HOME; each else under the home folder (~/.config, ~/.local/share, ~/.cache). A
// variable that is empty or not an absolute path is ignored, as the rules say. The data folder
// is the game's and is never written.
namespace playerfiles {

// "$XDG_CONFIG_HOME/brindlemox/config.txt"; empty when neither the variable nor HOME is usable.
std::filesystem::path settingsFile();
// "$XDG_DATA_HOME/brindlemox": progress and best runs.
std::filesystem::path dataFolder();
// "$XDG_DATA_HOME/brindlemox/levels": one folder per level the player made.
std::filesystem::path levelsFolder();
// The folder of the player's level NAME; refused when NAME is not one plain folder name.
Result<std::filesystem::path> levelFolder(const std::string& name);
// "$XDG_CACHE_HOME/brindlemox".
std::filesystem::path cacheFolder();

// Makes folder and the missing folders above it, new ones readable by the player only (0700);
// an existing folder is left as it is.
Result<void> makeFolder(const std::filesystem::path& folder);

} // namespace playerfiles

} // namespace brindlemox::platform
