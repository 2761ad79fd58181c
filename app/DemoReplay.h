#pragma once

#include "app/DemoFrames.h"

class ScriptedPlatform;

namespace demo {

// Replay, frame by frame: before the frame, the clock and keys; after it, the toggles and mouse
// movements that arrived in its event poll.
void applyBefore(ScriptedPlatform& platform, const Frame& frame);
void applyAfter(const Frame& frame);

} // namespace demo
