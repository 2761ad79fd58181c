#include "ChildProcess.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace bench {

namespace fs = std::filesystem;

namespace {

std::string selfPath() {
    return fs::read_symlink("/proc/self/exe").string();
}

} // namespace

std::vector<std::string> runChild(const std::string& environment, const std::string& arguments,
                                  const std::string& directory) {
    const std::string command = "cd '" + directory + "' && env " + environment + " '" + selfPath() +
                                "' --child " + arguments + " 2>/dev/null";
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return lines;
    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
        lines.emplace_back(buffer);
    pclose(pipe);
    return lines;
}

std::string makeTemporaryDirectory(const char* pattern) {
    std::string path = (fs::temp_directory_path() / pattern).string();
    std::vector<char> buffer(path.begin(), path.end());
    buffer.push_back('\0');
    return mkdtemp(buffer.data()) != nullptr ? std::string(buffer.data()) : std::string();
}

std::string tinyWindowDirectory(const std::string& data) {
    const std::string dir = makeTemporaryDirectory("brindlemox-bench-XXXXXX");
    for (const char* sub : {"Obj", "Shader", "Texture", "Fonts", "Levels"})
        fs::create_directory_symlink(fs::absolute(data) / sub, fs::path(dir) / sub);
    fs::create_directory(fs::path(dir) / "Config");
    std::ofstream(fs::path(dir) / "Config" / "config.txt") << "width=128\nheight=108\n";
    return dir;
}

} // namespace bench
