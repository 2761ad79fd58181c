#include "platform/DataFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brindlemox::platform {

namespace datafile {

bool isReadable(const std::string& path, std::uintmax_t maxBytes) {
    struct stat status {};
    return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           static_cast<std::uintmax_t>(status.st_size) <= maxBytes;
}

std::string describe(const Refusal& why, std::uintmax_t maxBytes) {
    if (why.notRegular)
        return "not a regular file";
    if (why.tooLarge)
        return maxBytes >= (1u << 20) ? "larger than " + std::to_string(maxBytes >> 20) + " MB"
                                      : "larger than " + std::to_string(maxBytes >> 10) + " KB";
    return std::strerror(why.error != 0 ? why.error : EIO);
}

bool isMissing(const Refusal& why) {
    return why.error == ENOENT;
}

std::optional<std::string> read(const std::string& path, std::uintmax_t maxBytes, Refusal* why,
                                Links links) {
    Refusal ignored;
    Refusal& refusal = why != nullptr ? *why : ignored;
    refusal = Refusal();
    if (path.empty()) {
        refusal.error = ENOENT;
        return std::nullopt;
    }
    // Not blocking: opening a named pipe for reading would otherwise wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC |
                                          (links == Links::Refused ? O_NOFOLLOW : 0));
    if (fd < 0) {
        refusal.error = errno;
        return std::nullopt;
    }
    struct stat status {};
    std::optional<std::string> contents;
    if (fstat(fd, &status) != 0) {
        refusal.error = errno;
    } else if (!S_ISREG(status.st_mode)) {
        refusal.notRegular = true;
    } else if (static_cast<std::uintmax_t>(status.st_size) > maxBytes) {
        refusal.tooLarge = true;
    } else {
        std::string bytes;
        bytes.resize(static_cast<size_t>(status.st_size));
        size_t filled = 0;
        bool failed = false;
        // A file that grows while it is read is cut at the size it had when opened.
        while (filled < bytes.size()) {
            const ssize_t n = ::read(fd, &bytes[filled], bytes.size() - filled);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                failed = n < 0;
                break;
            }
            filled += static_cast<size_t>(n);
        }
        if (!failed) {
            bytes.resize(filled);
            contents = std::move(bytes);
        } else {
            refusal.error = errno;
        }
    }
    close(fd);
    return contents;
}

} // namespace datafile

} // namespace brindlemox::platform
