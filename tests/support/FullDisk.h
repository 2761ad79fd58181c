#pragma once

// A full disk for the tests that write: a small tmpfs mounted at a folder and filled to the last
// byte. Mounting needs root; without it the caller skips.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fulldisk {

inline bool mount(const std::filesystem::path& path) {
    std::filesystem::create_directories(path);
    const std::string command =
        "mount -t tmpfs -o size=512k tmpfs '" + path.string() + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return false;
    std::ofstream filler(path / "filler", std::ios::binary);
    const std::string block(4096, '\0');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size())))
        ;
    return true;
}

inline void unmount(const std::filesystem::path& path) {
    // Nothing mounted there is fine: the folder is removed either way.
    if (std::system(("umount '" + path.string() + "' 2>/dev/null").c_str()) != 0)
        return;
}

} // namespace fulldisk
