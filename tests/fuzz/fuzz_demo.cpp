// Feeds arbitrary bytes to the demo reader: it must refuse or take them, never crash, hang or
// read out of bounds, and whatever it takes must hold only values within the demo's bounds and
// write back to text it reads the same.
#include "app/Demo.h"
#include "platform/Config.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace brindlemox::platform;
using namespace brindlemox::app;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const demo::ParseResult read =
        demo::parse(std::string(reinterpret_cast<const char*>(data), size));
    if (!read.demo) {
        if (read.error.empty())
            std::abort(); // a refusal always says why
        return 0;
    }
    const demo::Demo& d = *read.demo;
    if (d.frames.isEmpty() || d.endState.empty())
        std::abort();
    // The settings a replay takes over stay within what the configuration allows.
    if (d.header.fov && !(*d.header.fov >= Config::MinFov && *d.header.fov <= Config::MaxFov))
        std::abort();
    if (d.header.gamepadDeadzone && !(*d.header.gamepadDeadzone >= 0.0f &&
                                      *d.header.gamepadDeadzone <= Config::MaxGamepadDeadzone))
        std::abort();
    std::string text = demo::headerText(d.header);
    for (const demo::Frame& frame : d.frames) {
        if (!(frame.delta >= 0.0 && frame.delta <= demo::MaxDelta))
            std::abort();
        for (const auto& [dx, dy] : frame.moves)
            if (!(std::fabs(dx) <= demo::MaxMove && std::fabs(dy) <= demo::MaxMove))
                std::abort();
        text += demo::frameLine(frame);
    }
    text += demo::endLine(d.endState);
    const demo::ParseResult again = demo::parse(text);
    if (!again.demo || again.demo->frames.count() != d.frames.count())
        std::abort();
    for (size_t i = 0; i < d.frames.count(); ++i)
        if (!(again.demo->frames.frameAt(i) == d.frames.frameAt(i)))
            std::abort();
    return 0;
}
