#pragma once

#include "app/Game.h"

#include <memory>
#include <stdexcept>
#include <utility>

namespace testgame {

// The game started as a test asks (Level 1 and Level 2 without levels); a game that cannot start
// fails the test at once with its reason.
inline std::unique_ptr<Game> open(LevelFactory levels = nullptr,
                                  const StartOptions& options = StartOptions()) {
    Result<std::unique_ptr<Game>> game =
        levels ? Game::open(std::move(levels), options) : Game::open(options);
    if (!game)
        throw std::runtime_error("the game cannot start: " + game.error());
    return std::move(*game);
}

} // namespace testgame
