#include "platform/Report.h"

#include "platform/Printable.h"

#include <cstdio>

void report(Severity /*severity*/, std::string_view message) {
    const std::string line = printable(message) + "\n";
    // One write a line, so lines of the game and of the driver do not interleave mid-line.
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
