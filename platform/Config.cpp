#include "platform/Config.h"

#include "platform/DataFile.h"
#include "platform/Printable.h"
#include "platform/TextNumbers.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <optional>
#include <sstream>
#include <type_traits>

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

// Readers of the newer keys: a wrong value gets a problem line and leaves or clamps the field.
class ValueReader {
  public:
    ValueReader(std::vector<std::string>& problems, std::string where)
        : problems(problems), where(std::move(where)) {}

    void yesNo(const std::string& key, const std::string& value, bool& field) {
        if (value == "yes" || value == "true" || value == "no" || value == "false")
            field = value == "yes" || value == "true";
        else
            report(key + " is yes, true, no or false", value, field ? "yes" : "no");
    }
    template <class T>
    void number(const std::string& key, const std::string& value, T low, T high, T& field,
                const char* unit = "") {
        const std::string expected =
            key + " is " + textnum::shortest(low) + " to " + textnum::shortest(high) + unit;
        const std::optional<double> read = textnum::parseFinite(value);
        if (!read) {
            report(expected, value, textnum::shortest(field));
            return;
        }
        const double clamped = std::clamp<double>(*read, low, high);
        const T converted = static_cast<T>(clamped);
        // A whole-number key given a fraction is wrong too.
        const bool whole = !std::is_integral_v<T> || static_cast<double>(converted) == clamped;
        if (clamped != *read || !whole)
            report(expected, value, textnum::shortest(converted));
        field = converted;
    }

  private:
    void report(const std::string& expected, const std::string& value, const std::string& used) {
        std::string shown = value.substr(0, 24);
        for (char& c : shown)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
                c = '?';
        problems.push_back(where + ": " + expected + ", not '" + shown + "'; using " + used);
    }
    std::vector<std::string>& problems;
    std::string where;
};

} // namespace

void Config::parse(const std::string& text, const std::string& source) {
    // Editors on some systems start the file with a UTF-8 byte order mark; it is not part of the
    // first key.
    const std::string bom = "\xEF\xBB\xBF";
    std::istringstream in(text.compare(0, bom.size(), bom) == 0 ? text.substr(bom.size()) : text);
    std::string line;
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
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
        ValueReader reader(problems, source + " line " + std::to_string(number));
        if (key == "fov")
            reader.number(key, value, MinFov, MaxFov, fov, " degrees");
        if (key == "invertMouse")
            reader.yesNo(key, value, invertMouse);
        if (key == "vsync")
            reader.yesNo(key, value, vsync);
        if (key == "volume")
            reader.number(key, value, 0, 100, volume);
        if (key == "gamepadDeadzone")
            reader.number(key, value, 0.0f, MaxGamepadDeadzone, gamepadDeadzone);
    }
}

void Config::read(const std::string& path) {
    // Anything but a regular file of sane size (a pipe, a device, a folder) counts as missing.
    datafile::Refusal why;
    if (const std::optional<std::string> contents =
            datafile::read(path, datafile::MaxConfigBytes, &why))
        parse(*contents, path);
    else if (why.tooLarge) // a real config is a few lines: the player is told it was ignored
        std::printf("%s is larger than %ju KB: it is ignored and the defaults are used\n",
                    printable(path).c_str(), datafile::MaxConfigBytes >> 10);
}
