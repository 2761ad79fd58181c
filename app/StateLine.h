#pragma once

#include <string>

namespace brindlemox::app {

class Game;

namespace demo {

// The game's state at the end of a run, one line: current level, its player's health, walls
// destroyed per level, the player's position, the view angles and the frames run. Floating-point
// values in their shortest exact form, so two lines are equal only for equal states.
std::string stateLine(const Game& game, long frames);

} // namespace demo

} // namespace brindlemox::app
