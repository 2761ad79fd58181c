#include "levels/LevelFile.h"

#include "platform/DataFile.h"
#include "platform/TextNumbers.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string_view>
#include <system_error>

namespace levelfile {

namespace {

const char* const KindNames[KindCount] = {"map", "plainwalls", "water", "enemies", "walls"};

// A bound as a person writes it (100000, not 1e+05).
std::string text(double bound) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.10g", bound);
    return buffer;
}

using textnum::words;

// The values of one line, taken left to right; the first that is not what the key expects
// leaves its phrase in error and every later take fails.
class Values {
  public:
    Values(std::vector<std::string_view> w) : w(std::move(w)) {}
    bool more() const { return next < w.size(); }
    bool failed() const { return !error.empty(); }
    std::string error;

    std::optional<double> number(const std::string& what, double low, double high) {
        if (failed())
            return std::nullopt;
        const std::optional<double> n =
            next < w.size() ? textnum::parseFinite(w[next]) : std::nullopt;
        if (!n || *n < low || *n > high)
            return refuse(what + " (a number from " + text(low) + " to " + text(high) + ")");
        ++next;
        return n;
    }
    // A number above 0.
    std::optional<float> positive(const std::string& what, double high) {
        if (failed())
            return std::nullopt;
        const std::optional<double> n =
            next < w.size() ? textnum::parseFinite(w[next]) : std::nullopt;
        if (!n || *n <= 0.0 || *n > high)
            return refuse(what + " (a number above 0, at most " + text(high) + ")");
        ++next;
        return static_cast<float>(*n);
    }
    std::optional<float> stat(const std::string& what, bool zeroAllowed) {
        if (zeroAllowed) {
            const std::optional<double> n = number(what, 0.0, MaxStat);
            return n ? std::optional<float>(static_cast<float>(*n)) : std::nullopt;
        }
        return positive(what, MaxStat);
    }
    std::optional<long long> whole(const std::string& what, long long low, long long high) {
        if (failed())
            return std::nullopt;
        const std::optional<long long> n =
            next < w.size() ? textnum::parseWhole(w[next]) : std::nullopt;
        if (!n || *n < low || *n > high)
            return refuse(what + " (a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high) + ")");
        ++next;
        return n;
    }
    std::optional<glm::vec3> position(const std::string& what) {
        glm::vec3 p(0.0f);
        for (int axis = 0; axis < 3 && !failed(); ++axis) {
            const std::optional<double> n =
                next < w.size() ? textnum::parseFinite(w[next]) : std::nullopt;
            if (!n || std::fabs(*n) > MaxCoordinate)
                return refuse(what + " X Y Z (numbers from " + text(-MaxCoordinate) + " to " +
                              text(MaxCoordinate) + ")");
            p[axis] = static_cast<float>(*n);
            ++next;
        }
        return p;
    }
    std::optional<std::string_view> word(const std::string& what) {
        if (failed())
            return std::nullopt;
        if (next == w.size())
            return refuse(what);
        return w[next++];
    }
    // After the last value the key takes.
    void end() {
        if (!failed() && more())
            refuse("nothing after the values, not '" + std::string(w[next]) + "'");
    }

  private:
    std::nullopt_t refuse(const std::string& expected) {
        if (error.empty())
            error = "expected " + expected;
        return std::nullopt;
    }
    std::vector<std::string_view> w;
    size_t next = 1; // after the key
};

// A path of the data folder (or the level's folder): relative, without "..", printable.
bool safePath(std::string_view path) {
    if (path.empty() || path.size() > MaxPath || path[0] == '/' || path[0] == '\\')
        return false;
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x21 || c == 0x7f || c == '\\')
            return false;
    for (const std::filesystem::path& part : std::filesystem::path(std::string(path)))
        if (part == "..")
            return false;
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

const Object& Content::map() const {
    return *std::find_if(objects.begin(), objects.end(),
                         [](const Object& o) { return o.kind == Kind::Map; });
}

size_t Content::count(Kind kind) const {
    return static_cast<size_t>(std::count_if(objects.begin(), objects.end(),
                                             [kind](const Object& o) { return o.kind == kind; }));
}

Result parse(const std::string& text, const std::string& name) {
    Result result;
    Content level;
    // Keys that may be given once: the line that gave them.
    std::map<std::string, int, std::less<>> once;
    int number = 0;
    size_t start = 0;
    const auto fail = [&](int line, const std::string& why) {
        result.error = name + ":" + std::to_string(line) + ": " + why;
        return result;
    };
    while (start < text.size()) {
        ++number;
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find('\0') != std::string_view::npos)
            return fail(number, "expected text, not a zero byte");
        const size_t hash = line.find('#');
        if (hash != std::string_view::npos)
            line = line.substr(0, hash);
        std::vector<std::string_view> w = words(line);
        if (w.empty())
            continue;
        const std::string key(w[0]);
        static const char* const Single[] = {"title",     "spawn", "health", "power",
                                             "toughness", "map",   "water",  "draw"};
        if (std::find(std::begin(Single), std::end(Single), key) != std::end(Single)) {
            const auto [at, added] = once.emplace(key, number);
            if (!added)
                return fail(number, key + ": given twice (first on line " +
                                        std::to_string(at->second) + ")");
        }
        const bool isObject =
            key == "map" || key == "water" || key == "enemy" || key == "wall" || key == "plainwall";
        if (isObject && level.objects.size() == MaxObjects)
            return fail(number, key + ": expected at most " + std::to_string(MaxObjects) +
                                    " objects in a level");
        Values v(w);
        Object object;
        if (key == "title") {
            const std::string_view title =
                trimmed(line.substr(static_cast<size_t>(w[0].data() + w[0].size() - line.data())));
            // Counted and checked by character: "Kellér" is six.
            const std::optional<std::u32string> codes = utf8::decodeStrict(title);
            if (!codes)
                return fail(number, "title: expected UTF-8 text");
            const bool printable = std::all_of(codes->begin(), codes->end(), [](char32_t c) {
                return c >= 0x20 && !(c >= 0x7f && c < 0xa0);
            });
            if (codes->size() > MaxTitle || !printable || title.empty())
                return fail(number, "title: expected the level's name (at most " +
                                        std::to_string(MaxTitle) + " printable characters)");
            level.title = std::string(title);
            continue;
        } else if (key == "spawn") {
            if (auto p = v.position("the spawn point"))
                level.spawn = *p;
        } else if (key == "health" || key == "power" || key == "toughness") {
            const std::optional<float> n = v.stat("the player's " + key, key == "power");
            if (n)
                (key == "health"  ? level.health
                 : key == "power" ? level.power
                                  : level.toughness) = *n;
        } else if (key == "map") {
            object.kind = Kind::Map;
            if (auto path = v.word("the model's path")) {
                if (!safePath(*path))
                    return fail(number, "map: expected a model path inside the data folder "
                                        "(relative, without '..'), not '" +
                                            std::string(path->substr(0, 64)) + "'");
                object.path = std::string(*path);
            }
            if (v.more() && !v.failed()) {
                if (v.word("") == std::string_view("lightmap"))
                    object.lightMapped = true;
                else
                    return fail(number, "map: expected 'lightmap' or nothing after the path");
            }
        } else if (key == "light") {
            Light light;
            if (level.lights.size() == MaxLights)
                return fail(number, "light: expected at most " + std::to_string(MaxLights) +
                                        " lights in a level");
            if (auto p = v.position("the light's position"))
                light.position = *p;
            if (v.more())
                if (auto offset = v.whole("the power's offset from the brightness", -MaxLightOffset,
                                          MaxLightOffset))
                    light.offset = *offset;
            if (!v.failed())
                level.lights.push_back(light);
        } else if (key == "enemy") {
            object.kind = Kind::Enemies;
            if (auto p = v.position("the enemy's position"))
                object.position = *p;
            const std::optional<std::string_view> axis = v.word("the axis (x, y or z)");
            if (axis) {
                if (*axis != "x" && *axis != "y" && *axis != "z")
                    return fail(number, "enemy: expected the axis (x, y or z) after the "
                                        "position, not '" +
                                            std::string(axis->substr(0, 16)) + "'");
                object.code = (*axis)[0] - 'x';
            }
            if (v.more())
                if (auto damage = v.stat("the damage", true))
                    object.damage = *damage;
        } else if (key == "wall") {
            object.kind = Kind::Walls;
            if (auto p = v.position("the wall's position"))
                object.position = *p;
            if (v.more())
                if (auto code = v.whole("the orientation after the position", 0, 5))
                    object.code = static_cast<int>(*code);
            if (v.more())
                if (auto scale = v.positive("the scale after the orientation", MaxScale))
                    object.scale = *scale;
            if (v.more())
                if (auto health = v.stat("the health after the scale", false))
                    object.health = *health;
            if (v.more())
                if (auto toughness = v.stat("the toughness after the health", false))
                    object.toughness = *toughness;
        } else if (key == "plainwall") {
            object.kind = Kind::PlainWalls;
            if (auto p = v.position("the wall's position"))
                object.position = *p;
            if (v.more())
                if (auto code = v.whole("the orientation after the position", 0, 5))
                    object.code = static_cast<int>(*code);
        } else if (key == "water") {
            object.kind = Kind::Water;
            if (auto p = v.position("the water's position"))
                object.position = *p;
            object.scale = 16.0f;
            if (v.more())
                if (auto scale = v.positive("the scale after the position", MaxScale))
                    object.scale = *scale;
        } else if (key == "draw") {
            // The groups named, in order; those not named follow in the default order.
            std::vector<Kind> order;
            while (v.more() || order.empty()) {
                const std::optional<std::string_view> group = v.word("a group");
                const auto* found =
                    group ? std::find(std::begin(KindNames), std::end(KindNames), *group)
                          : std::end(KindNames);
                const Kind kind = static_cast<Kind>(found - std::begin(KindNames));
                if (found == std::end(KindNames) ||
                    std::find(order.begin(), order.end(), kind) != order.end())
                    return fail(number, "draw: expected groups from map, plainwalls, water, "
                                        "enemies and walls, each at most once");
                order.push_back(kind);
            }
            for (Kind kind : level.drawOrder)
                if (std::find(order.begin(), order.end(), kind) == order.end())
                    order.push_back(kind);
            std::copy(order.begin(), order.end(), level.drawOrder.begin());
        } else {
            return fail(number, "unknown key '" + key.substr(0, 32) +
                                    "' (expected title, spawn, health, power, toughness, map, "
                                    "light, enemy, wall, plainwall, water or draw)");
        }
        v.end();
        if (v.failed())
            return fail(number, key + ": " + v.error);
        if (isObject)
            level.objects.push_back(std::move(object));
    }
    for (const char* required : {"title", "spawn", "map"})
        if (once.count(required) == 0)
            return fail(std::max(number, 1), "expected a '" + std::string(required) +
                                                 "' line; the file ends without one");
    result.content = std::move(level);
    return result;
}

Result read(const std::string& path) {
    Result result;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        result.error = path + ": no such file";
        return result;
    }
    const std::optional<std::string> text = datafile::read(path, MaxBytes);
    if (!text) {
        result.error = path + ": expected a regular file of at most 1 MiB";
        return result;
    }
    return parse(*text, path);
}

} // namespace levelfile
