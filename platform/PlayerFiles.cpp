#include "platform/PlayerFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace brindlemox::platform {

namespace playerfiles {
namespace {

constexpr const char* Game = "brindlemox";

// $variable when it is an absolute path, else homeRelative under $HOME, else nothing.
std::filesystem::path base(const char* variable, const char* homeRelative) {
    const char* set = std::getenv(variable);
    if (set != nullptr && set[0] == '/')
        return std::filesystem::path(set) / Game;
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return std::filesystem::path(home) / homeRelative / Game;
    return {};
}

} // namespace

std::filesystem::path settingsFile() {
    const std::filesystem::path folder = base("XDG_CONFIG_HOME", ".config");
    return folder.empty() ? folder : folder / "config.txt";
}

std::filesystem::path dataFolder() {
    return base("XDG_DATA_HOME", ".local/share");
}

std::filesystem::path levelsFolder() {
    const std::filesystem::path folder = dataFolder();
    return folder.empty() ? folder : folder / "levels";
}

Result<std::filesystem::path> levelFolder(const std::string& name) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of(std::string("/\0", 2)) != std::string::npos)
        return fail("a level's name is one folder name, not '" + name + "'");
    const std::filesystem::path folder = levelsFolder();
    if (folder.empty())
        return fail("neither XDG_DATA_HOME nor HOME names a folder");
    return folder / name;
}

std::filesystem::path cacheFolder() {
    return base("XDG_CACHE_HOME", ".cache");
}

Result<void> makeFolder(const std::filesystem::path& folder) {
    if (folder.empty())
        return fail("no folder");
    // Parents first; each step made 0700 or found as a folder already.
    std::filesystem::path made;
    for (const std::filesystem::path& part : folder) {
        made /= part;
        if (mkdir(made.c_str(), 0700) == 0 || errno == EEXIST)
            continue;
        return fail(made.string() + ": " + std::strerror(errno));
    }
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return fail(folder.string() + ": not a folder");
    return {};
}

} // namespace playerfiles

} // namespace brindlemox::platform
