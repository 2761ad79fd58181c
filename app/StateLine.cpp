#include "app/StateLine.h"

#include "app/Game.h"
#include "platform/Controls.h"
#include "platform/TextNumbers.h"

namespace brindlemox::app {

using namespace levels;
using namespace platform;

namespace demo {

std::string stateLine(const Game& game, long frames) {
    size_t current = 0;
    std::string walls;
    for (size_t i = 0; game.getLevel(i) != nullptr; ++i) {
        if (game.getLevel(i) == game.getCurrentLevel())
            current = i + 1;
        const LevelState level = game.getLevel(i)->state();
        walls += (i > 0 ? "," : "") + std::to_string(level.wallsDestroyed) + "/" +
                 std::to_string(level.wallsTotal);
    }
    std::string line = "level=" + std::to_string(current);
    const LevelState now =
        game.getCurrentLevel() != nullptr ? game.getCurrentLevel()->state() : LevelState{};
    if (now.hasPlayer) {
        line += " health=" + textnum::shortest(now.health);
        line += " walls=" + walls;
        line += " position=" + textnum::shortest(now.position.x) + "," +
                textnum::shortest(now.position.y) + "," + textnum::shortest(now.position.z);
    } else {
        line += " walls=" + walls;
    }
    line += " view=" + textnum::shortest(game.getControls().getYawDegrees()) + "," +
            textnum::shortest(game.getControls().getPitchDegrees());
    return line + " frames=" + std::to_string(frames);
}

} // namespace demo

} // namespace brindlemox::app
