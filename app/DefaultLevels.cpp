#include "app/Game.h"
#include "levels/FileLevel.h"

#include <filesystem>
#include <system_error>

namespace brindlemox::app {

using namespace levels;
using namespace render;
using namespace platform;

namespace {

// A level file outside the data folder (the working directory) finds its own files beside it.
std::string ownFolder(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path file = fs::weakly_canonical(fs::absolute(path, error), error);
    const fs::path data = fs::weakly_canonical(fs::current_path(error), error);
    const fs::path inside = file.lexically_relative(data);
    if (!inside.empty() && *inside.begin() != "..")
        return {};
    return file.parent_path().string();
}

} // namespace

const std::vector<std::string>& Game::defaultLevelFiles() {
    static const std::vector<std::string> files = {"Levels/level1.txt", "Levels/level2.txt"};
    return files;
}

Result<LevelFactory> Game::levelsFromFiles(const std::vector<std::string>& paths) {
    std::vector<levelfile::Content> contents;
    // The first level's map, read here with the others: it is not read again.
    std::optional<ModelData> firstMap;
    for (const std::string& path : paths) {
        levelfile::Result read = levelfile::read(path);
        if (!read.content)
            return fail(read.error);
        read.content->folder = ownFolder(path);
        // A map that cannot be played is refused now, not drawn as a white void.
        Result<ModelData> map = FileLevel::readMap(*read.content, path);
        if (!map)
            return fail(map.error());
        if (contents.empty())
            firstMap = std::move(*map);
        contents.push_back(std::move(*read.content));
    }
    // One cache for the game: each program, model, image and glyph set is built once, not
    // once per level or per object. The first level's files are read while the window
    // and its context are being made.
    auto resources = std::make_shared<ResourceCache>();
    // The sound files are read on the same reader, after the level's files.
    auto sounds = std::make_shared<audio::SoundBank>();
    ResourceCache::ReadAhead files;
    if (!contents.empty())
        files = FileLevel::filesToReadAhead(contents.front(), std::move(firstMap));
    files.jobs.push_back(sounds->readJob());
    resources->readAhead(std::move(files));
    return LevelFactory([prefetched = std::move(resources), contents = std::move(contents),
                         sounds = std::move(sounds)](GLFWwindow* window, const Config* config,
                                                     Controls& controls) mutable {
        // A second game from the same factory gets a cache of its own: one cache, one context.
        auto resources =
            prefetched != nullptr ? std::move(prefetched) : std::make_shared<ResourceCache>();
        std::vector<std::unique_ptr<LevelInterface>> levels;
        for (const levelfile::Content& content : contents) {
            auto level = std::make_unique<FileLevel>(window, config, controls, resources, content);
            level->setSoundFiles(sounds);
            levels.push_back(std::move(level));
        }
        return levels;
    });
}

Result<LevelFactory> Game::defaultLevels() {
    return levelsFromFiles(defaultLevelFiles());
}

} // namespace brindlemox::app
