#pragma once

#include <string>
#include <vector>

// GL debug output: when the context offers it, every error the driver reports is counted and
// kept, so tests (and the game's debug build) can see GL errors as they happen.
namespace gldebug {
// Installs the callback on the current context; false when the context has no debug output.
bool install();
// Errors reported since the last clear.
int errorCount();
const std::vector<std::string>& errors();
void clear();
} // namespace gldebug
