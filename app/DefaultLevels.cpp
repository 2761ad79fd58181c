#include "app/Game.h"
#include "levels/Level1.h"
#include "levels/Level2.h"

LevelFactory Game::defaultLevels() {
    return [](GLFWwindow* window, const Config* config) {
        // One cache for the game: each program, model, image and glyph set is built once, not
        // once per level or per object.
        auto resources = std::make_shared<ResourceCache>();
        std::vector<std::unique_ptr<LevelInterface>> levels;
        levels.push_back(std::make_unique<Level1>(window, config, resources));
        levels.push_back(std::make_unique<Level2>(window, config, resources));
        return levels;
    };
}
