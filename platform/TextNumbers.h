#pragma once

// Numbers as the command line and the demo files write them: locale-free, whole words only, and
// floating-point values in their shortest form that reads back to the same bits.

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace brindlemox::platform {

namespace textnum {

// A whole decimal number with an optional leading minus, nothing else in the word.
inline std::optional<long long> parseWhole(std::string_view word) {
    long long value = 0;
    const char* end = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (word.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// A finite decimal number (fixed or scientific notation), nothing else in the word. Read straight
// into T, so the shortest form of a float reads back to the same float.
template <class T = double> std::optional<T> parseFinite(std::string_view word) {
    T value = 0;
    const char* end = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (word.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

template <class T> std::string shortest(T value) {
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

// The words of a line: runs of anything but spaces and tabs (demo and level files).
inline std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> found;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            found.push_back(line.substr(start, i - start));
    }
    return found;
}

} // namespace textnum

} // namespace brindlemox::platform
