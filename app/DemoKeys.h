#pragma once

// The keys a demo names: the ones the game polls each frame and the display toggles.

#include <cstddef>

namespace brindlemox::app {

namespace demo {

struct KeyName {
    int key;
    const char* name;
};

// The keys the game polls: W, S, D, A, Space, Escape, E, Q (named so in demo lines).
constexpr size_t PolledKeyCount = 8;
extern const KeyName PolledKeys[PolledKeyCount];
// The display toggles: F2, F3, F4, F6, F8.
constexpr size_t ToggleKeyCount = 5;
extern const KeyName ToggleKeys[ToggleKeyCount];

} // namespace demo

} // namespace brindlemox::app
