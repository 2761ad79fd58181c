#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brindlemox::platform {

// Reading the game's data files. Only regular files (after links) of a sane size are read:
// a named pipe, a device, a folder or a file far larger than any real one of its kind counts as
// missing, so hostile data can neither hang the game nor fill its memory.
namespace datafile {

// Size bounds per kind, far above any real file of that kind.
constexpr std::uintmax_t MaxConfigBytes = 64u << 10;
constexpr std::uintmax_t MaxShaderBytes = 1u << 20;
constexpr std::uintmax_t MaxFontBytes = 64u << 20;
constexpr std::uintmax_t MaxModelBytes = 256u << 20;
constexpr std::uintmax_t MaxImageBytes = 256u << 20;
constexpr std::uintmax_t MaxSoundBytes = 16u << 20;

// Why read gave nothing: the system's error number when the file could not be opened (ENOENT:
// missing), else what is wrong with it.
struct Refusal {
    int error = 0;
    bool notRegular = false;
    bool tooLarge = false;
};
// "No such file or directory", "not a regular file", "larger than 1 MB", ...
std::string describe(const Refusal& why, std::uintmax_t maxBytes);
// Whether the refusal is for a file that is not there at all.
bool isMissing(const Refusal& why);

// Whether path names a regular file of at most maxBytes.
bool isReadable(const std::string& path, std::uintmax_t maxBytes);

// The whole contents of path when it is a regular file of at most maxBytes; nothing otherwise.
// The file is opened without waiting (a pipe never blocks) and checked once it is open.
// With Links::Refused a symbolic link is not followed (ELOOP): for files the game itself wrote.
enum class Links { Followed, Refused };
std::optional<std::string> read(const std::string& path, std::uintmax_t maxBytes,
                                Refusal* why = nullptr, Links links = Links::Followed);

} // namespace datafile

} // namespace brindlemox::platform
