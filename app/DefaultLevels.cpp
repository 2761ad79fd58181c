#include "app/Game.h"
#include "levels/Level1.h"
#include "levels/Level2.h"

LevelFactory Game::defaultLevels() {
    return [](GLFWwindow* window, const Config* config) {
        std::vector<std::unique_ptr<LevelInterface>> levels;
        levels.push_back(std::make_unique<Level1>(window, config));
        levels.push_back(std::make_unique<Level2>(window, config));
        return levels;
    };
}
