#pragma once

// The scripted platform lives with the game so the soak and benchmark drivers share it.
#include "platform/ScriptedPlatform.h"
