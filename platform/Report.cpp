#include "platform/Report.h"

#include "platform/Printable.h"

#include <cstdio>

namespace brindlemox::platform {

namespace {
Severity leastReported = Severity::Progress;
}

void reportOnlyFrom(Severity least) {
    leastReported = least;
}

void report(Severity severity, std::string_view message) {
    if (severity < leastReported)
        return;
    const std::string line = printable(message) + "\n";
    // One write a line, so lines of the game and of the driver do not interleave mid-line.
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace brindlemox::platform
