#include "platform/Config.h"

#include "platform/DataFile.h"
#include "platform/OutputFile.h"
#include "platform/PlayerFiles.h"
#include "platform/Printable.h"
#include "platform/TextNumbers.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>
#include <type_traits>

namespace brindlemox::platform {

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

const std::string ByteOrderMark = "\xEF\xBB\xBF";

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

// Text from the file as a problem line shows it: its start only, control characters escaped.
std::string shown(const std::string& text) {
    constexpr size_t Longest = 40;
    return text.size() <= Longest ? printable(text) : printable(text.substr(0, Longest)) + "...";
}

// Readers of the newer keys: a wrong value gets a problem line and leaves or clamps the field.
class ValueReader {
  public:
    ValueReader(Config& config, std::string where) : config(config), where(std::move(where)) {}

    void yesNo(const std::string& key, const std::string& value, bool& field) {
        if (value == "yes" || value == "true" || value == "no" || value == "false")
            field = value == "yes" || value == "true";
        else
            wrong(key + " is yes, true, no or false", value, field ? "yes" : "no");
    }
    template <class T>
    void number(const std::string& key, const std::string& value, T low, T high, T& field,
                const char* unit = "") {
        const std::string expected =
            key + " is " + textnum::shortest(low) + " to " + textnum::shortest(high) + unit;
        const std::optional<double> read = textnum::parseFinite(value);
        if (!read) {
            wrong(expected, value, textnum::shortest(field));
            return;
        }
        const double clamped = std::clamp<double>(*read, low, high);
        const T converted = static_cast<T>(clamped);
        // A whole-number key given a fraction is wrong too.
        const bool whole = !std::is_integral_v<T> || static_cast<double>(converted) == clamped;
        if (clamped != *read || !whole)
            wrong(expected, value, textnum::shortest(converted));
        field = converted;
    }

    void key(const std::string& key, const std::string& value, int& field) {
        const std::optional<int> read = keyFromName(value);
        if (!read)
            wrong(key + " is a key name such as W, Space, Up or F5", value, keyName(field));
        else if (const char* use = fixedKeyUse(*read))
            wrong(key + " cannot be " + use + "'s key", value, keyName(field));
        else
            field = *read;
    }

  private:
    void wrong(const std::string& expected, const std::string& value, const std::string& used) {
        std::string shownValue = value.substr(0, 24);
        for (char& c : shownValue)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
                c = '?';
        config.note(where + ": " + expected + ", not '" + shownValue + "'; using " + used);
    }
    Config& config;
    std::string where;
};

// The keys the game reads. An older spelling reads the same field; near misses are pointed to
// the current name.
struct Key {
    const char* name;
    const char* current;
    void (*read)(Config&, const std::string& key, const std::string& value, ValueReader&);
};

bool isYes(const std::string& value) {
    return value == "yes" || value == "true";
}

void readBinding(Config& c, const std::string& k, const std::string& v, ValueReader& r) {
    const auto action = actionOfConfigKey(k);
    int key = c.bindings.keyFor(*action);
    r.key(k, v, key);
    c.bindings.setUnchecked(*action, key);
}

const Key Keys[] = {
    {"keyForward", "keyForward", readBinding},
    {"keyBack", "keyBack", readBinding},
    {"keyRight", "keyRight", readBinding},
    {"keyLeft", "keyLeft", readBinding},
    {"keyUp", "keyUp", readBinding},
    {"keyDown", "keyDown", readBinding},
    {"keyAttack", "keyAttack", readBinding},
    {"keyPause", "keyPause", readBinding},
    {"keyFrameRate", "keyFrameRate", readBinding},
    {"keyFullScreen", "keyFullScreen", readBinding},
    {"width", "width",
     [](Config& c, const std::string&, const std::string& v, ValueReader&) {
         c.width = parseConfigInt(v);
     }},
    {"height", "height",
     [](Config& c, const std::string&, const std::string& v, ValueReader&) {
         c.height = parseConfigInt(v);
     }},
    {"fullscreen", "fullscreen",
     [](Config& c, const std::string&, const std::string& v, ValueReader&) {
         c.fullscreen = isYes(v);
     }},
    {"brightness", "brightness",
     [](Config& c, const std::string&, const std::string& v, ValueReader&) {
         c.brightness = parseConfigInt(v);
     }},
    {"levels", "levels",
     [](Config& c, const std::string&, const std::string& v, ValueReader&) {
         c.levels = parseConfigInt(v);
     }},
    {"mouseSensitivity", "mouseSensitivity",
     [](Config& c, const std::string&, const std::string& v, ValueReader&) {
         c.mouseSensitivity = static_cast<float>(parseConfigInt(v));
     }},
    {"horizontalSensivity", "mouseSensitivity",
     [](Config& c, const std::string&, const std::string& v, ValueReader&) {
         c.mouseSensitivity = static_cast<float>(parseConfigInt(v));
     }},
    {"refreshRate", "refreshRate",
     [](Config& c, const std::string&, const std::string& v, ValueReader&) {
         c.refreshRate = parseConfigInt(v);
     }},
    {"fov", "fov",
     [](Config& c, const std::string& k, const std::string& v, ValueReader& r) {
         r.number(k, v, Config::MinFov, Config::MaxFov, c.fov, " degrees");
     }},
    {"invertMouse", "invertMouse",
     [](Config& c, const std::string& k, const std::string& v, ValueReader& r) {
         r.yesNo(k, v, c.invertMouse);
     }},
    {"vsync", "vsync",
     [](Config& c, const std::string& k, const std::string& v, ValueReader& r) {
         r.yesNo(k, v, c.vsync);
     }},
    {"volume", "volume",
     [](Config& c, const std::string& k, const std::string& v, ValueReader& r) {
         r.number(k, v, 0, 100, c.volume);
     }},
    {"wallMarker", "wallMarker",
     [](Config& c, const std::string& k, const std::string& v, ValueReader& r) {
         r.yesNo(k, v, c.wallMarker);
     }},
    {"gamepadDeadzone", "gamepadDeadzone",
     [](Config& c, const std::string& k, const std::string& v, ValueReader& r) {
         r.number(k, v, 0.0f, Config::MaxGamepadDeadzone, c.gamepadDeadzone);
     }},
    {"timer", "timer",
     [](Config& c, const std::string& k, const std::string& v, ValueReader& r) {
         r.yesNo(k, v, c.timer);
     }},
};

const Key* findKey(const std::string& name) {
    for (const Key& key : Keys)
        if (name == key.name)
            return &key;
    return nullptr;
}

// Blank lines and comments carry nothing.
bool isBlankOrComment(const std::string& line) {
    const size_t first = line.find_first_not_of(" \t");
    return first == std::string::npos || line[first] == '#';
}

std::string folded(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t");
    std::string fold = first == std::string::npos ? "" : text.substr(first, last - first + 1);
    for (char& c : fold)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return fold;
}

// Edits (insert, delete, replace, swap two neighbours) that turn a into b.
size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

} // namespace

std::string nearestConfigKey(const std::string& unknown) {
    // Case and the spaces around a key do not count; beyond that a short key is near at one
    // edit, a long one at up to three.
    const std::string fold = folded(unknown);
    const Key* nearest = nullptr;
    size_t best = SIZE_MAX;
    for (const Key& key : Keys) {
        const std::string name = folded(key.name);
        const size_t bound = std::clamp<size_t>(name.size() / 4, 1, 3);
        if (fold.size() > name.size() + bound || name.size() > fold.size() + bound)
            continue;
        const size_t distance = editDistance(fold, name);
        if (distance <= bound && distance < best) {
            best = distance;
            nearest = &key;
        }
    }
    return nearest != nullptr ? nearest->current : "";
}

void Config::note(std::string problem) {
    if (problems.size() < MaxProblemLines)
        problems.push_back(std::move(problem));
    else
        ++moreProblems;
}

void Config::parse(const std::string& text, const std::string& source) {
    // Editors on some systems start the file with a UTF-8 byte order mark; it is not part of the
    // first key.
    std::istringstream in(text.compare(0, ByteOrderMark.size(), ByteOrderMark) == 0
                              ? text.substr(ByteOrderMark.size())
                              : text);
    std::string line;
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (isBlankOrComment(line))
            continue;
        const std::string where = source + " line " + std::to_string(number);
        const KeyValue tokens = splitAtEquals(line);
        if (!tokens.hasValue || tokens.key.empty()) {
            note(where + ": '" + shown(line) + "' is not key=value");
            continue;
        }
        const Key* key = findKey(tokens.key);
        if (key == nullptr) {
            const std::string nearest = nearestConfigKey(tokens.key);
            note(where + ": unknown key '" + shown(tokens.key) + "'" +
                 (nearest.empty() ? "" : ": did you mean '" + nearest + "'?"));
            continue;
        }
        if (tokens.value.empty()) {
            note(where + ": " + tokens.key + " has no value");
            continue;
        }
        ValueReader reader(*this, where);
        key->read(*this, tokens.key, tokens.value, reader);
    }
}

void Config::read(const std::string& path) {
    // Anything but a regular file of sane size (a pipe, a device, a folder) is not read.
    datafile::Refusal why;
    if (const std::optional<std::string> contents =
            datafile::read(path, datafile::MaxConfigBytes, &why))
        parse(*contents, path);
    else if (!datafile::isMissing(why))
        note(path +
             (why.error != 0 ? " cannot be read (" + datafile::describe(why, 0) + ")"
                             : " is " + datafile::describe(why, datafile::MaxConfigBytes)) +
             ": it is ignored and the defaults are used");
}

void Config::checkBindings() {
    using namespace brindlemox::platform;
    for (std::size_t i = 1; i < ActionCount; ++i) {
        const Action action = static_cast<Action>(i);
        const int key = bindings.keyFor(action);
        for (std::size_t j = 0; j < i; ++j) {
            const Action earlier = static_cast<Action>(j);
            if (bindings.keyFor(earlier) != key)
                continue;
            const int fallback = actionInfo(action).defaultKey;
            const bool free = !bindings.actionOn(fallback);
            note(std::string(actionInfo(action).configKey) + " is " + keyName(key) +
                 ", which is already " + actionInfo(earlier).configKey + "; using " +
                 (free ? keyName(fallback) : "no key"));
            bindings.setUnchecked(action, free ? fallback : -1);
            break;
        }
    }
}

void Config::reportProblems() const {
    for (const std::string& problem : problems)
        report(Severity::Warning, problem);
    if (moreProblems > 0)
        report(Severity::Warning, "and " + std::to_string(moreProblems) + " more");
}

Result<std::string> withSettings(const std::string& text, const std::vector<Setting>& settings) {
    for (const Setting& setting : settings) {
        // What is written must read back as given: a known key, a value on one line that the
        // reader takes without a word.
        if (findKey(setting.key) == nullptr)
            return fail("unknown key '" + setting.key + "'");
        Config probe;
        probe.parse(setting.key + "=" + setting.value);
        if (setting.value.find_first_of("=\r\n") != std::string::npos || !probe.problems.empty())
            return fail("'" + setting.value + "' is not a value for " + setting.key);
    }
    // The setting a line of the file takes: the last one given for its key or another spelling.
    const auto settingFor = [&settings](const std::string& name) -> const Setting* {
        const Key* key = findKey(name);
        for (auto setting = settings.rbegin(); key != nullptr && setting != settings.rend();
             ++setting)
            if (std::strcmp(findKey(setting->key)->current, key->current) == 0)
                return &*setting;
        return nullptr;
    };
    const bool marked = text.compare(0, ByteOrderMark.size(), ByteOrderMark) == 0;
    std::string written = marked ? ByteOrderMark : "";
    std::vector<bool> found(settings.size(), false);
    for (size_t start = marked ? ByteOrderMark.size() : 0; start < text.size();) {
        const size_t newline = text.find('\n', start);
        const size_t end = newline == std::string::npos ? text.size() : newline + 1;
        std::string line = text.substr(start, end - start);
        start = end;
        // The line's own ending (none, "\n" or "\r\n", as the reader sees it) is kept.
        size_t bodyEnd = line.size();
        if (bodyEnd > 0 && line[bodyEnd - 1] == '\n')
            --bodyEnd;
        if (bodyEnd > 0 && line[bodyEnd - 1] == '\r')
            --bodyEnd;
        const std::string ending = line.substr(bodyEnd);
        const KeyValue tokens = splitAtEquals(line.substr(0, bodyEnd));
        const Setting* setting =
            tokens.hasValue && !isBlankOrComment(line) ? settingFor(tokens.key) : nullptr;
        if (setting != nullptr) {
            line = setting->key + "=" + setting->value + ending;
            found[static_cast<size_t>(setting - settings.data())] = true;
        }
        written += line;
    }
    for (size_t i = 0; i < settings.size(); ++i) {
        if (found[i] || settingFor(settings[i].key) != &settings[i])
            continue; // already written, or a later setting of the same key wins
        if (!written.empty() && written.back() != '\n')
            written += '\n';
        written += settings[i].key + "=" + settings[i].value + "\n";
    }
    return written;
}

Result<void> writeSettings(const std::string& path, const std::vector<Setting>& settings) {
    datafile::Refusal why;
    std::optional<std::string> text = datafile::read(path, datafile::MaxConfigBytes, &why);
    // A file that is there but cannot be read is the player's: it is not replaced.
    if (!text && !datafile::isMissing(why))
        return fail(path + ": " + datafile::describe(why, datafile::MaxConfigBytes));
    Result<std::string> edited = withSettings(text.value_or(""), settings);
    if (!edited)
        return fail(path + ": " + edited.error());
    // A config kept elsewhere and linked here is written where it lies.
    std::error_code error;
    const std::filesystem::path target =
        text ? std::filesystem::canonical(path, error) : std::filesystem::path(path);
    if (error)
        return fail(path + ": " + error.message());
    if (Result<void> folder = playerfiles::makeFolder(target.parent_path());
        !folder && !target.parent_path().empty())
        return fail(path + ": " + folder.error());
    if (const std::string failed = outputfile::writeWhole(target.string(), *edited);
        !failed.empty())
        return fail(path + ": " + failed);
    return {};
}

} // namespace brindlemox::platform
