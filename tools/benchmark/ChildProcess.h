#pragma once

// The parent's side of the children: running one, and the folders they run in.

#include <string>
#include <vector>

namespace bench {

// Runs this program again with arguments and environment prefix; returns its figure lines.
std::vector<std::string> runChild(const std::string& environment, const std::string& arguments,
                                  const std::string& directory);
std::string makeTemporaryDirectory(const char* pattern);
// A working directory like the data folder whose config asks for a tiny window.
std::string tinyWindowDirectory(const std::string& data);

} // namespace bench
