#pragma once

// Files the tests write and read back whole, and scratch folders that go away again.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace testfiles {

// The file's bytes; "" when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// Writes bytes as the whole file, in place of whatever stood at path (a link is replaced, not
// written through), making its folder first.
inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::filesystem::remove_all(path);
    std::ofstream(path, std::ios::binary) << bytes;
}

// A fresh folder under the test temp dir, removed again on destruction.
class ScratchDir {
  public:
    explicit ScratchDir(const std::string& name) {
        path = std::filesystem::path(::testing::TempDir()) /
               ("brindlemox_" + name + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& relative) const { return (path / relative).string(); }
    // Writes the file below the folder and returns its path.
    std::string write(const std::string& relative, const std::string& text) const {
        writeFile(path / relative, text);
        return file(relative);
    }
    const std::filesystem::path& root() const { return path; }

  private:
    std::filesystem::path path;
};

// Changes the working directory for one scope (the game resolves every data path against it).
class ScopedChdir {
  public:
    explicit ScopedChdir(const std::filesystem::path& dir)
        : previous(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ScopedChdir() { std::filesystem::current_path(previous); }
    ScopedChdir(const ScopedChdir&) = delete;
    ScopedChdir& operator=(const ScopedChdir&) = delete;

  private:
    std::filesystem::path previous;
};

} // namespace testfiles
