#include "platform/Config.h"

#include "platform/DataFile.h"
#include "platform/TextNumbers.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <optional>
#include <sstream>

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

std::string volumeLine(const std::string& value, int used) {
    return "volume=" + value + " is not a whole number from 0 to 100; using " +
           std::to_string(used);
}

namespace {

// The key (up to the first "=") and the value (up to the second) of a line. The rest of the line
// is never used, so it is never split: a line of millions of "=" costs nothing.
struct KeyValue {
    std::string key;
    std::string value;
    bool hasValue = false;
};

KeyValue splitAtEquals(const std::string& line) {
    KeyValue kv;
    const size_t first = line.find('=');
    kv.key = line.substr(0, first);
    if (first == std::string::npos)
        return kv;
    const size_t second = line.find('=', first + 1);
    kv.value = line.substr(first + 1, second == std::string::npos ? second : second - first - 1);
    kv.hasValue = true;
    return kv;
}

} // namespace

void Config::parse(const std::string& text) {
    // Editors on some systems start the file with a UTF-8 byte order mark; it is not part of the
    // first key.
    const std::string bom = "\xEF\xBB\xBF";
    std::istringstream in(text.compare(0, bom.size(), bom) == 0 ? text.substr(bom.size()) : text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const KeyValue tokens = splitAtEquals(line);
        // A key without "=" or with nothing after it carries no value.
        if (!tokens.hasValue || tokens.value.empty())
            continue;
        const std::string& key = tokens.key;
        const std::string& value = tokens.value;
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
        if (key == "volume") {
            // A whole number from 0 to 100 as it is; a number outside the range clamped,
            // anything else the default.
            const std::optional<long long> number = textnum::parseWhole(value);
            const int used =
                number ? static_cast<int>(std::clamp<long long>(*number, 0, 100)) : volume;
            volumeComplaint = !number || *number != used ? volumeLine(value, used) : "";
            volume = used;
        }
    }
}

void Config::read(const std::string& path) {
    // Anything but a regular file of sane size (a pipe, a device, a folder) counts as missing.
    if (const std::optional<std::string> contents = datafile::read(path, datafile::MaxConfigBytes))
        parse(*contents);
}
