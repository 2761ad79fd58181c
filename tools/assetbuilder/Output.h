#pragma once

#include "platform/Report.h"

#include <string>

namespace assets {

// Writes bytes to path whole: into a temporary file beside it, renamed once written and flushed,
// so path is never left cut short. Makes the folders on the way. A failure is one line,
// "cannot write PATH: REASON" with the system's reason.
brindlemox::platform::Result<void> writeOutput(const std::string& path, const std::string& bytes);

} // namespace assets
