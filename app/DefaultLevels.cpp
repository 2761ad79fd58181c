#include "app/Game.h"
#include "levels/Level1.h"
#include "levels/Level2.h"

LevelFactory Game::defaultLevels() {
    // One cache for the game: each program, model, image and glyph set is built once, not
    // once per level or per object. The first level's files are read while the window
    // and its context are being made.
    auto resources = std::make_shared<ResourceCache>();
    // The sound files are read on the same reader, after the level's files.
    auto sounds = std::make_shared<audio::SoundBank>();
    ResourceCache::ReadAhead files = Level1::filesToReadAhead();
    files.jobs.push_back(sounds->readJob());
    resources->readAhead(std::move(files));
    return [prefetched = std::move(resources),
            sounds = std::move(sounds)](GLFWwindow* window, const Config* config) mutable {
        // A second game from the same factory gets a cache of its own: one cache, one context.
        auto resources =
            prefetched != nullptr ? std::move(prefetched) : std::make_shared<ResourceCache>();
        std::vector<std::unique_ptr<Level>> made;
        made.push_back(std::make_unique<Level1>(window, config, resources));
        made.push_back(std::make_unique<Level2>(window, config, resources));
        std::vector<std::unique_ptr<LevelInterface>> levels;
        for (std::unique_ptr<Level>& level : made) {
            level->setSoundFiles(sounds);
            levels.push_back(std::move(level));
        }
        return levels;
    };
}
