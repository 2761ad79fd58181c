#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace brindlemox::app {

// One level the player can choose: the game's, the pool room or one of the player's own.
struct CatalogueEntry {
    // Stays the same across runs and installs: "level1", "level2" for the game's levels by their
    // number, "pool" for the pool room, "mine/NAME" for the player's level in the folder NAME.
    std::string id;
    // The level's title; the folder's name (printable) when the file cannot be read.
    std::string title;
    // The level file to play.
    std::string levelFile;
    // 1-based place in the game's order; 0 for the others.
    int gameLevel = 0;
    // Why it cannot be played, one line; empty when it can.
    std::string error;
};

// Where the levels are found.
struct CatalogueSources {
    // The game's levels in play order (data folder paths).
    std::vector<std::string> gameLevels;
    std::string poolRoom;
    // One folder per level of the player's: NAME/NAME.txt with its Obj/ and Texture/.
    std::filesystem::path playerLevels;
};

// The game's: its levels, Levels/level3.txt, the player's levels folder (playerfiles).
CatalogueSources gameSources();

// At most this many of the player's levels are listed (sorted by title, then folder).
constexpr size_t MaxPlayerLevels = 500;

// The game's levels in order, the pool room, then the player's levels by title. Only the level
// files are read (titles and errors); the models are read when a level is played.
std::vector<CatalogueEntry> levelCatalogue(const CatalogueSources& sources);

// The id of the level in this file (as the command line or a demo names it), or "" when it is
// none of the catalogue's. Paths are compared after resolving links and "..".
std::string levelIdOf(const std::string& levelFile, const CatalogueSources& sources);

} // namespace brindlemox::app
