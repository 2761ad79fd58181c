#include "app/DataFolder.h"

#include <system_error>

namespace brindlemox::app {

namespace fs = std::filesystem;

namespace datafolder {

bool holdsGameData(const fs::path& folder) {
    std::error_code error;
    for (const char* sub : {"Config", "Shader", "Obj"})
        if (!fs::is_directory(folder / sub, error))
            return false;
    return true;
}

std::vector<fs::path> candidates(const fs::path& workingDir, const std::string& explicitDir,
                                 const fs::path& programDir) {
    if (!explicitDir.empty())
        return {fs::path(explicitDir)};
    std::vector<fs::path> folders = {workingDir};
    if (!programDir.empty()) {
        folders.push_back(programDir / "data");
        // Debian's games layout: the program in <prefix>/games, its data in <prefix>/share/games.
        folders.push_back(
            (programDir / ".." / "share" / "games" / "brindlemox").lexically_normal());
    }
    return folders;
}

std::optional<fs::path> find(const std::vector<fs::path>& candidates) {
    for (const fs::path& folder : candidates)
        if (holdsGameData(folder))
            return folder;
    return std::nullopt;
}

std::string notFoundLine(const std::vector<fs::path>& candidates) {
    std::string line = "No game data (folders Config, Shader and Obj) in ";
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (i > 0)
            line += i + 1 == candidates.size() ? " or " : ", ";
        line += candidates[i].string();
    }
    return line + " (start the game in its data folder or name it with --data DIR)";
}

fs::path programDir() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program.parent_path();
}

} // namespace datafolder

} // namespace brindlemox::app
