#pragma once

// Demos: the input of a run, frame by frame, so that the same binary plays the run again to the
// same end. The format is text, one line per frame (docs/DEMOS.md):
//
//   brindlemox demo 1
//   level 1
//   window 1024 860
//   sensitivity 50
//   f 2.1547 hold=W
//   f 0.0166 hold=W,Space key=F2 move=-3,0 move=-1,2
//   end level=1 health=40 walls=1/4,0/0 position=... view=... frames=2
//
// The physics steps a fixed 1/60 s and everything else follows the frame's delta time and input,
// so replaying the recorded delta times, keys and mouse movements reproduces the run.

#include "app/DemoFormat.h"
#include "app/DemoFrames.h"
#include "app/DemoRecorder.h"
#include "app/DemoReplay.h"
#include "app/StateLine.h"

namespace brindlemox::app {} // namespace brindlemox::app
