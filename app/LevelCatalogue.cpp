#include "app/LevelCatalogue.h"

#include "app/Game.h"
#include "levels/LevelFile.h"
#include "platform/PlayerFiles.h"
#include "platform/Printable.h"

#include <algorithm>
#include <system_error>

namespace brindlemox::app {

using namespace levels;
using namespace platform;

namespace {

namespace fs = std::filesystem;

fs::path resolved(const fs::path& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(path, error);
    return error ? path : fs::weakly_canonical(absolute, error);
}

CatalogueEntry entryOf(std::string id, const std::string& file, const std::string& shownName) {
    CatalogueEntry entry;
    entry.id = std::move(id);
    entry.levelFile = file;
    const levelfile::Result read = levelfile::read(file);
    if (read.content) {
        entry.title = read.content->title;
    } else {
        entry.title = shownName;
        entry.error = printable(read.error);
    }
    return entry;
}

} // namespace

CatalogueSources gameSources() {
    return {Game::defaultLevelFiles(), "Levels/level3.txt", playerfiles::levelsFolder()};
}

std::vector<CatalogueEntry> levelCatalogue(const CatalogueSources& sources) {
    std::vector<CatalogueEntry> entries;
    for (size_t i = 0; i < sources.gameLevels.size(); ++i) {
        entries.push_back(entryOf("level" + std::to_string(i + 1), sources.gameLevels[i],
                                  "Level " + std::to_string(i + 1)));
        entries.back().gameLevel = static_cast<int>(i + 1);
    }
    entries.push_back(entryOf("pool", sources.poolRoom, "The pool room"));

    std::vector<CatalogueEntry> mine;
    std::error_code error;
    fs::directory_iterator folder(sources.playerLevels, error);
    for (; !error && folder != fs::directory_iterator() && mine.size() < MaxPlayerLevels;
         folder.increment(error)) {
        if (!folder->is_directory(error))
            continue;
        const std::string name = folder->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        const std::string file = (folder->path() / (name + ".txt")).string();
        CatalogueEntry entry;
        if (name.find_first_of("\r\n") != std::string::npos) {
            // Its id could not be kept on one line of the progress file.
            entry.title = printable(name);
            entry.error = "the folder's name " + printable(name) + " holds a line end";
        } else if (!fs::exists(file, error)) {
            entry.title = printable(name);
            entry.error = "no level file " + printable(name) + ".txt in " +
                          printable(folder->path().string());
        } else {
            entry = entryOf("mine/" + name, file, printable(name));
        }
        entry.id = "mine/" + name;
        entry.levelFile = file;
        mine.push_back(std::move(entry));
    }
    std::sort(mine.begin(), mine.end(), [](const CatalogueEntry& a, const CatalogueEntry& b) {
        return a.title != b.title ? a.title < b.title : a.id < b.id;
    });
    entries.insert(entries.end(), mine.begin(), mine.end());
    return entries;
}

std::string levelIdOf(const std::string& levelFile, const CatalogueSources& sources) {
    const fs::path file = resolved(levelFile);
    for (size_t i = 0; i < sources.gameLevels.size(); ++i)
        if (file == resolved(sources.gameLevels[i]))
            return "level" + std::to_string(i + 1);
    if (file == resolved(sources.poolRoom))
        return "pool";
    if (sources.playerLevels.empty())
        return "";
    // levels/NAME/NAME.txt
    const fs::path inside = file.lexically_relative(resolved(sources.playerLevels));
    const std::vector<fs::path> parts(inside.begin(), inside.end());
    if (parts.size() == 2 && parts[0] != ".." && parts[0] != "." &&
        parts[1] == parts[0].string() + ".txt" &&
        parts[0].string().find_first_of("\r\n") == std::string::npos)
        return "mine/" + parts[0].string();
    return "";
}

} // namespace brindlemox::app
