#pragma once

#include "app/Game.h"

#include <memory>
#include <stdexcept>
#include <utility>

namespace testgame {

// The game started as a test asks (Level 1 and Level 2 without levels); a game that cannot start
// fails the test at once with its reason.
inline std::unique_ptr<brindlemox::app::Game>
open(brindlemox::app::LevelFactory levels = nullptr,
     const brindlemox::app::StartOptions& options = brindlemox::app::StartOptions()) {
    brindlemox::platform::Result<std::unique_ptr<brindlemox::app::Game>> game =
        levels ? brindlemox::app::Game::open(std::move(levels), options)
               : brindlemox::app::Game::open(options);
    if (!game)
        throw std::runtime_error("the game cannot start: " + game.error());
    return std::move(*game);
}

} // namespace testgame
