#include "platform/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace brindlemox::platform {

namespace outputfile {

std::string refusal(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return errno == ENOENT ? "" : std::strerror(errno);
    return S_ISREG(status.st_mode) ? "" : "not a regular file";
}

std::string writeWhole(const std::string& path, const std::string& bytes) {
    std::vector<char> temporary(path.begin(), path.end());
    for (char c : std::string(".XXXXXX"))
        temporary.push_back(c);
    temporary.push_back('\0');
    // A fresh name no one else holds (created exclusively), in the same folder so the rename
    // stays on one file system.
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return std::strerror(errno);
    int error = 0;
    if (fchmod(fd, 0644) != 0)
        error = errno;
    for (size_t done = 0; error == 0 && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            error = n < 0 ? errno : EIO;
        else
            done += static_cast<size_t>(n);
    }
    // A full disk may only show when the data reaches it.
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temporary.data(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(temporary.data());
        return std::strerror(error);
    }
    return "";
}

} // namespace outputfile

} // namespace brindlemox::platform
