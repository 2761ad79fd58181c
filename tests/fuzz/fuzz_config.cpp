// Feeds arbitrary bytes to the configuration reader and writer: they must never crash or
// misbehave, and a setting written into any text reads back as written.
#include "platform/Config.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace brindlemox::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Config config;
    config.parse(text);
    // Touch every field so a bad value would show up under the sanitizers.
    volatile long long sum = static_cast<long long>(config.width) + config.height +
                             config.refreshRate + config.brightness + config.levels +
                             config.fullscreen + static_cast<long long>(config.mouseSensitivity) +
                             config.volume + static_cast<long long>(config.fov) +
                             config.invertMouse + config.vsync +
                             static_cast<long long>(config.gamepadDeadzone) +
                             static_cast<long long>(config.problems.size() + config.moreProblems);
    (void)sum;
    const Result<std::string> written = withSettings(text, {{"fov", "97"}, {"volume", "3"}});
    if (!written)
        std::abort();
    Config reread;
    reread.parse(*written);
    if (reread.fov != 97.0f || reread.volume != 3)
        std::abort();
    return 0;
}
