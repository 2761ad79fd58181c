#include "app/Game.h"
#include "levels/Level1.h"
#include "levels/Level2.h"

LevelFactory Game::defaultLevels() {
    return [](GLFWwindow* window, const Config* config) {
        // One glyph cache for the game: each HUD font size is rasterised once, not per level.
        auto glyphs = std::make_shared<GlyphCache>();
        std::vector<std::unique_ptr<LevelInterface>> levels;
        levels.push_back(std::make_unique<Level1>(window, config, glyphs));
        levels.push_back(std::make_unique<Level2>(window, config, glyphs));
        return levels;
    };
}
