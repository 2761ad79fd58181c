#include "app/Game.h"
#include "levels/Level1.h"
#include "levels/Level2.h"

LevelFactory Game::defaultLevels() {
    // One cache for the game: each program, model, image and glyph set is built once, not
    // once per level or per object. The first level's files are read while the window
    // and its context are being made.
    auto resources = std::make_shared<ResourceCache>();
    resources->readAhead(Level1::filesToReadAhead());
    return [prefetched = std::move(resources)](GLFWwindow* window, const Config* config) mutable {
        // A second game from the same factory gets a cache of its own: one cache, one context.
        auto resources =
            prefetched != nullptr ? std::move(prefetched) : std::make_shared<ResourceCache>();
        std::vector<std::unique_ptr<LevelInterface>> levels;
        levels.push_back(std::make_unique<Level1>(window, config, resources));
        levels.push_back(std::make_unique<Level2>(window, config, resources));
        return levels;
    };
}
