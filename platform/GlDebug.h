#pragma once

#include <string>
#include <vector>

namespace brindlemox::platform {

// GL debug output: when the context offers it, every error the driver reports is counted, and
// the first few are kept and printed, so tests (and the game's debug build) can see GL errors as
// they happen. A flood of errors costs a counter, not memory or a console full of lines.
namespace gldebug {
// How many messages are kept (and printed) after a clear; later ones are only counted.
constexpr int KeptMessages = 16;
// Installs the callback on the current context; false when the context has no debug output.
bool install();
// Errors reported since the last clear.
int errorCount();
// The first KeptMessages of them.
const std::vector<std::string>& errors();
void clear();
} // namespace gldebug

} // namespace brindlemox::platform
