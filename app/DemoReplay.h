#pragma once

#include "app/DemoFrames.h"

namespace brindlemox::platform {
class Controls;
class ScriptedPlatform;
} // namespace brindlemox::platform

namespace brindlemox::app {

namespace demo {

// Replay, frame by frame: before the frame, the clock and keys; after it, the toggles and mouse
// movements that arrived in its event poll, given to the game's controls.
void applyBefore(platform::ScriptedPlatform& platform, const Frame& frame);
void applyAfter(platform::Controls& controls, const Frame& frame);

} // namespace demo

} // namespace brindlemox::app
