#include "app/Config.h"

#include <cctype>
#include <climits>
#include <fstream>
#include <sstream>
#include <vector>

int parseConfigInt(const std::string& value) {
    size_t i = 0;
    while (i < value.size() && std::isspace(static_cast<unsigned char>(value[i])))
        ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    // Accumulate in a wider type and stop growing once past the int range, so an overflowing
    // value saturates instead of wrapping.
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        magnitude = magnitude * 10 + (value[i] - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

namespace {

std::vector<std::string> splitAtEquals(const std::string& line) {
    std::vector<std::string> tokens;
    size_t start = 0;
    for (;;) {
        size_t pos = line.find('=', start);
        if (pos == std::string::npos) {
            tokens.push_back(line.substr(start));
            return tokens;
        }
        tokens.push_back(line.substr(start, pos - start));
        start = pos + 1;
    }
}

} // namespace

void Config::parse(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> tokens = splitAtEquals(line);
        // A key without "=" or with nothing after it carries no value.
        if (tokens.size() < 2 || tokens[1].empty())
            continue;
        const std::string& key = tokens[0];
        const std::string& value = tokens[1];
        if (key == "width")
            width = parseConfigInt(value);
        if (key == "height")
            height = parseConfigInt(value);
        if (key == "refreshRate")
            refreshRate = parseConfigInt(value);
        if (key == "brightness")
            brightness = parseConfigInt(value);
        if (key == "fullscreen")
            fullscreen = value == "yes" || value == "true";
        if (key == "horizontalSensivity")
            horizontalSensivity = static_cast<float>(parseConfigInt(value));
        if (key == "levels")
            levels = parseConfigInt(value);
    }
}

void Config::read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return;
    std::ostringstream contents;
    contents << file.rdbuf();
    parse(contents.str());
}
