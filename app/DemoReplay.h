#pragma once

#include "app/DemoFrames.h"

class Controls;
class ScriptedPlatform;

namespace demo {

// Replay, frame by frame: before the frame, the clock and keys; after it, the toggles and mouse
// movements that arrived in its event poll, given to the game's controls.
void applyBefore(ScriptedPlatform& platform, const Frame& frame);
void applyAfter(Controls& controls, const Frame& frame);

} // namespace demo
