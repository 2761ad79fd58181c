#include "app/DemoReplay.h"

#include "app/DemoKeys.h"
#include "platform/Controls.h"
#include "platform/ScriptedPlatform.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

namespace brindlemox::app {

using namespace platform;

namespace demo {

void applyBefore(ScriptedPlatform& platform, const Frame& frame) {
    platform.releaseAll();
    platform.advance(frame.delta);
    platform.pad = frame.pad;
    for (size_t i = 0; i < PolledKeyCount; ++i) {
        if ((frame.held & (1u << i)) != 0)
            platform.hold(PolledKeys[i].key);
        if ((frame.tapped & (1u << i)) != 0)
            platform.tap(PolledKeys[i].key);
    }
}

void applyAfter(Controls& controls, const Frame& frame) {
    for (int key : frame.toggles)
        controls.onKey(nullptr, key, GLFW_PRESS);
    // Every recorded movement was taken, even one that came before a click that resumed play.
    for (const auto& [dx, dy] : frame.moves)
        controls.turnView(dx, dy);
    if (frame.pause)
        controls.setPaused(nullptr, *frame.pause);
}

} // namespace demo

} // namespace brindlemox::app
