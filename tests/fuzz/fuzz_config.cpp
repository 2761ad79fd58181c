// Feeds arbitrary bytes to the configuration reader: it must never crash or misbehave.
#include "platform/Config.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Config config;
    config.parse(std::string(reinterpret_cast<const char*>(data), size));
    // Touch every field so a bad value would show up under the sanitizers.
    volatile long long sum = static_cast<long long>(config.width) + config.height +
                             config.refreshRate + config.brightness + config.levels +
                             config.fullscreen +
                             static_cast<long long>(config.horizontalSensivity) + config.volume +
                             static_cast<long long>(config.fov) + config.invertMouse +
                             config.vsync + static_cast<long long>(config.gamepadDeadzone) +
                             static_cast<long long>(config.problems.size());
    (void)sum;
    return 0;
}
