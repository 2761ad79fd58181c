#pragma once

#include <string>

namespace brindlemox::platform {

// Files the game writes where the user names them (screenshots, demos). Only regular files are
// written: a pipe would block the game, a device would swallow the bytes.
namespace outputfile {

// Why path cannot take the game's output ("not a regular file", or the system's reason), or ""
// when it names a regular file (after links) or nothing yet.
std::string refusal(const std::string& path);

// Writes bytes to a new file beside path and renames it to path once written, flushed to disk
// and closed, each step checked: path is either the whole file or as it was before. Returns ""
// or the system's reason ("No space left on device").
std::string writeWhole(const std::string& path, const std::string& bytes);

} // namespace outputfile

} // namespace brindlemox::platform
