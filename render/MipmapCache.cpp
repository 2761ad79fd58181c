#include "render/MipmapCache.h"

#include "platform/DataFile.h"
#include "platform/PlayerFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace brindlemox::render {

using namespace platform;

namespace mipcache {
namespace {

constexpr char Magic[8] = {'B', 'M', 'X', 'M', 'I', 'P', '1', '\n'};

struct Header {
    char magic[8];
    std::uint32_t width;
    std::uint32_t height;
    std::uint64_t payloadHash;
};

struct LevelSize {
    int width;
    int height;
    std::size_t bytes; // RGB rows tightly packed
};

// Levels 1 and up of a width x height texture, down to 1 x 1.
std::vector<LevelSize> smallerLevels(int width, int height) {
    std::vector<LevelSize> levels;
    while (width > 1 || height > 1) {
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
        levels.push_back({width, height, static_cast<std::size_t>(width) * height * 3});
    }
    return levels;
}

std::size_t totalBytes(const std::vector<LevelSize>& levels) {
    std::size_t total = 0;
    for (const LevelSize& level : levels)
        total += level.bytes;
    return total;
}

std::uint64_t hashBytes(const void* data, std::size_t size) {
    return std::hash<std::string_view>{}(std::string_view(static_cast<const char*>(data), size));
}

std::filesystem::path entryPath(std::uint64_t pixelHash, int width, int height) {
    const std::filesystem::path dir = directory();
    if (dir.empty())
        return {};
    // The driver is part of the key: another driver filters differently.
    std::string driver;
    for (GLenum name : {GL_VENDOR, GL_RENDERER, GL_VERSION}) {
        const auto* text = reinterpret_cast<const char*>(glGetString(name));
        driver += text != nullptr ? text : "?";
        driver += '\n';
    }
    char file[96];
    std::snprintf(file, sizeof file, "%016llx-%016llx-%dx%d.mips",
                  static_cast<unsigned long long>(hashBytes(driver.data(), driver.size())),
                  static_cast<unsigned long long>(pixelHash), width, height);
    return dir / file;
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, at, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void packRows() {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
}

} // namespace

std::filesystem::path directory() {
    const std::filesystem::path cache = playerfiles::cacheFolder();
    return cache.empty() ? cache : cache / "mipmaps";
}

std::uint64_t hashPixels(const unsigned char* rgb, std::size_t size) {
    return hashBytes(rgb, size);
}

bool load(std::uint64_t pixelHash, int width, int height) {
    const std::filesystem::path path = entryPath(pixelHash, width, height);
    if (path.empty() || width <= 0 || height <= 0)
        return false;
    const std::vector<LevelSize> sizes = smallerLevels(width, height);
    const std::size_t payload = totalBytes(sizes);
    // Only a regular file of exactly the expected size, with its header and a payload whose
    // checksum matches, is used.
    // A link planted in the cache folder is not followed.
    const std::optional<std::string> file =
        datafile::read(path.string(), sizeof(Header) + payload, nullptr, datafile::Links::Refused);
    if (!file || file->size() != sizeof(Header) + payload)
        return false;
    Header header;
    std::memcpy(&header, file->data(), sizeof header);
    const char* levels = file->data() + sizeof header;
    if (std::memcmp(header.magic, Magic, sizeof Magic) != 0 ||
        header.width != static_cast<std::uint32_t>(width) ||
        header.height != static_cast<std::uint32_t>(height) ||
        header.payloadHash != hashBytes(levels, payload))
        return false;
    packRows();
    for (size_t i = 0; i < sizes.size(); ++i) {
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i + 1), GL_RGB, sizes[i].width,
                     sizes[i].height, 0, GL_RGB, GL_UNSIGNED_BYTE, levels);
        levels += sizes[i].bytes;
    }
    return true;
}

void store(std::uint64_t pixelHash, int width, int height) {
    const std::filesystem::path path = entryPath(pixelHash, width, height);
    if (path.empty() || width <= 0 || height <= 0)
        return;
    const std::vector<LevelSize> sizes = smallerLevels(width, height);
    std::vector<char> levels(totalBytes(sizes));
    packRows();
    char* at = levels.data();
    for (size_t i = 0; i < sizes.size(); ++i) {
        glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(i + 1), GL_RGB, GL_UNSIGNED_BYTE, at);
        at += sizes[i].bytes;
    }
    Header header{};
    std::memcpy(header.magic, Magic, sizeof Magic);
    header.width = static_cast<std::uint32_t>(width);
    header.height = static_cast<std::uint32_t>(height);
    header.payloadHash = hashBytes(levels.data(), levels.size());

    // Written beside its final name and renamed: another run never sees half a file.
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error)
        return;
    // A fresh name made exclusively (never an existing file or a planted link), so nothing but
    // the new file is written.
    std::string temporary = path.string() + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return;
    const bool written =
        writeAll(fd, &header, sizeof header) && writeAll(fd, levels.data(), levels.size());
    // A full disk may only show when the last bytes are closed.
    if (close(fd) != 0 || !written) {
        std::filesystem::remove(temporary, error);
        return;
    }
    std::filesystem::rename(temporary, path, error);
    // An empty folder standing in the entry's place gives way to it.
    std::error_code ignored;
    if (error && std::filesystem::is_directory(path, ignored) &&
        std::filesystem::remove(path, ignored))
        std::filesystem::rename(temporary, path, error);
    if (error)
        std::filesystem::remove(temporary, error);
}

} // namespace mipcache

} // namespace brindlemox::render
