#include "LevelDescription.h"

#include "platform/DataFile.h"
#include "platform/TextNumbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>

using namespace brindlemox::platform;

namespace levels {

namespace {

// A bound as a person writes it (100000, not 1e+05).
std::string text(double bound) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.10g", bound);
    return buffer;
}

// The values of one line, taken left to right; the first that is not what the key expects
// leaves its phrase in error and every later take fails.
class Values {
  public:
    explicit Values(std::vector<std::string_view> w) : w(std::move(w)) {}
    bool more() const { return next < w.size(); }
    bool failed() const { return !error.empty(); }
    size_t left() const { return w.size() - next; }
    std::string error;

    std::optional<double> number(const std::string& what, double low, double high) {
        const std::optional<double> n = take(textnum::parseFinite<double>);
        if (!n || *n < low || *n > high)
            return refuse(what + " (a number from " + text(low) + " to " + text(high) + ")");
        ++next;
        return n;
    }
    std::optional<int> whole(const std::string& what, long long low, long long high) {
        const std::optional<long long> n = take(textnum::parseWhole);
        if (!n || *n < low || *n > high)
            return refuse(what + " (a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high) + ")");
        ++next;
        return static_cast<int>(*n);
    }
    std::optional<Vec3> position(const std::string& what) {
        Vec3 p{};
        for (float& coordinate : p)
            if (auto n = number(what + " X Y Z", -MaxCoordinate, MaxCoordinate))
                coordinate = static_cast<float>(*n);
        return failed() ? std::nullopt : std::optional<Vec3>(p);
    }
    std::optional<std::string_view> word(const std::string& what) {
        if (failed() || next == w.size())
            return refuse(what);
        return w[next++];
    }
    // After the last value the key takes.
    void end() {
        if (!failed() && more())
            refuse("nothing after the values, not '" + std::string(w[next].substr(0, 32)) + "'");
    }

  private:
    template <class Parse> auto take(Parse parse) -> decltype(parse(std::string_view())) {
        if (failed() || next == w.size())
            return std::nullopt;
        return parse(w[next]);
    }
    std::nullopt_t refuse(const std::string& expected) {
        if (error.empty())
            error = "expected " + expected;
        return std::nullopt;
    }
    std::vector<std::string_view> w;
    size_t next = 1; // after the key
};

// A name the model's material can carry in either format.
bool plainName(std::string_view name) {
    return !name.empty() && name.size() <= MaxName &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_' || c == '.';
           });
}

// A file under the output folder that the model's material can name: relative, without "..",
// no control characters, quotes or backslashes.
bool safePath(std::string_view path) {
    if (path.empty() || path.size() > MaxPath || path[0] == '/')
        return false;
    for (char c : path)
        if (static_cast<unsigned char>(c) < 0x21 || c == 0x7f || c == '\\' || c == '"')
            return false;
    for (const std::filesystem::path& part : std::filesystem::path(std::string(path)))
        if (part == "..")
            return false;
    return true;
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() > end.size() && text.substr(text.size() - end.size()) == end;
}

struct Extent {
    std::array<long long, 3> lo{}, hi{};
    bool any = false;
    long long cells() const { return (hi[0] - lo[0]) * (hi[1] - lo[1]) * (hi[2] - lo[2]); }
};

// Whether the cell holding p is open: the last box holding it decides, rock outside them all.
bool openAt(const std::vector<Box>& boxes, const Vec3& p) {
    bool open = false;
    for (const Box& box : boxes) {
        bool inside = true;
        for (int a = 0; a < 3; ++a) {
            const double cell = std::floor(p[a]);
            inside = inside && cell >= box.min[a] && cell < box.max[a];
        }
        if (inside)
            open = box.open;
    }
    return open;
}

} // namespace

Result<LevelDescription> parseLevel(const std::string& text, const std::string& source) {
    LevelDescription level;
    level.source = source;
    std::map<std::string, int, std::less<>> once; // keys that may be given once: their line
    std::vector<int> lightLines, routeLines;
    Extent extent;
    long long boxCells = 0;
    int number = 0;
    const auto failure = [&](int line, const std::string& why) {
        return fail(source + ":" + std::to_string(line) + ": " + why);
    };
    size_t start = text.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0; // a byte-order mark
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
            return failure(number, "expected text, not a zero byte");
        line = line.substr(0, line.find('#'));
        const std::vector<std::string_view> w = textnum::words(line);
        if (w.empty())
            continue;
        const std::string key(w[0]);
        static const char* const Single[] = {"name",     "model", "texture",
                                             "lightmap", "tile",  "spawn"};
        if (std::find(std::begin(Single), std::end(Single), key) != std::end(Single)) {
            const auto [at, added] = once.emplace(key, number);
            if (!added)
                return failure(number, key + ": given twice (first on line " +
                                           std::to_string(at->second) + ")");
        }
        Values v(w);
        if (key == "name") {
            if (auto name = v.word("the level's name")) {
                if (!plainName(*name))
                    return failure(number, "name: expected 1 to " + std::to_string(MaxName) +
                                               " letters, digits, '-', '_' or '.'");
                level.name = std::string(*name);
            }
        } else if (key == "model" || key == "texture") {
            const bool model = key == "model";
            if (auto path = v.word("the path")) {
                if (!safePath(*path))
                    return failure(number, key +
                                               ": expected a path inside the output folder "
                                               "(relative, without '..'), not '" +
                                               std::string(path->substr(0, 64)) + "'");
                (model ? level.modelPath : level.texturePath) = std::string(*path);
            }
            if (model) {
                level.modelLine = number;
                const std::optional<std::string_view> format =
                    v.word("the format after the path (obj or fbxa)");
                const char* ending = format == std::string_view("obj")    ? ".obj"
                                     : format == std::string_view("fbxa") ? ".fbx"
                                                                          : nullptr;
                if (format && ending == nullptr)
                    return failure(number, "model: expected the format after the path (obj or "
                                           "fbxa), not '" +
                                               std::string(format->substr(0, 16)) + "'");
                if (format && !endsWith(level.modelPath, ending))
                    return failure(number, "model: expected a path ending in " +
                                               std::string(ending) + " for the " +
                                               std::string(*format) + " format");
                if (format)
                    level.format = std::string(*format);
            } else if (!v.failed()) {
                // The model's own path ends in .obj or .fbx, so the check below covers a
                // texture given before it.
                if (level.modelLine > 0 &&
                    std::filesystem::path(level.texturePath).lexically_normal() ==
                        std::filesystem::path(level.modelPath).lexically_normal())
                    return failure(number, "texture: expected another file than the model's "
                                           "(line " +
                                               std::to_string(level.modelLine) + ")");
                if (!endsWith(level.texturePath, ".png") && !endsWith(level.texturePath, ".bmp"))
                    return failure(number, "texture: expected a path ending in .png or .bmp");
            }
        } else if (key == "lightmap") {
            level.lightMapped = true;
            level.lightMapLine = number;
            if (auto density = v.whole("the texels per world unit", 1, MaxLightMapDensity))
                level.lightMapDensity = *density;
        } else if (key == "tile") {
            if (auto size = v.number("the world units per repeat", MinTile, MaxTile))
                level.tileSize = static_cast<float>(*size);
        } else if (key == "open" || key == "solid") {
            if (level.boxes.size() == MaxBoxes)
                return failure(number, key + ": expected at most " + std::to_string(MaxBoxes) +
                                           " boxes in a level");
            Box box;
            box.open = key == "open";
            for (int corner = 0; corner < 2; ++corner)
                for (int a = 0; a < 3; ++a)
                    if (auto n =
                            v.whole("the corners X0 Y0 Z0 X1 Y1 Z1", -MaxCoordinate, MaxCoordinate))
                        (corner == 0 ? box.min : box.max)[a] = *n;
            v.end();
            if (v.failed())
                return failure(number, key + ": " + v.error);
            if (box.min[0] >= box.max[0] || box.min[1] >= box.max[1] || box.min[2] >= box.max[2])
                return failure(number, key + ": expected X0 < X1, Y0 < Y1 and Z0 < Z1 (a box "
                                             "at least one unit deep along each axis)");
            long long cells = 1;
            for (int a = 0; a < 3; ++a)
                cells *= box.max[a] - box.min[a];
            for (int a = 0; a < 3; ++a) {
                extent.lo[a] =
                    extent.any ? std::min<long long>(extent.lo[a], box.min[a]) : box.min[a];
                extent.hi[a] =
                    extent.any ? std::max<long long>(extent.hi[a], box.max[a]) : box.max[a];
            }
            extent.any = true;
            const long long x = extent.hi[0] - extent.lo[0], y = extent.hi[1] - extent.lo[1],
                            z = extent.hi[2] - extent.lo[2];
            if (std::max({x, y, z}) > MaxSpan || extent.cells() > MaxCells)
                return failure(number, key + ": the boxes would span " + std::to_string(x) + " x " +
                                           std::to_string(y) + " x " + std::to_string(z) +
                                           " units; expected at most " + std::to_string(MaxSpan) +
                                           " along each axis and " + std::to_string(MaxCells) +
                                           " cells in all");
            boxCells += cells;
            if (boxCells > MaxBoxCells)
                return failure(number, key + ": the boxes' cells would add up to more than " +
                                           std::to_string(MaxBoxCells));
            level.boxes.push_back(box);
            continue;
        } else if (key == "spawn") {
            if (auto p = v.position("the spawn point"))
                level.spawn = *p;
        } else if (key == "light") {
            if (level.lights.size() == MaxLights)
                return failure(number, "light: expected at most " + std::to_string(MaxLights) +
                                           " lights in a level");
            Light light;
            if (auto p = v.position("the light's position"))
                light.position = *p;
            if (auto power = v.number("the power after the position", 0.0, MaxLightPower))
                light.power = static_cast<float>(*power);
            level.lights.push_back(light);
            lightLines.push_back(number);
        } else if (key == "enemy") {
            Enemy enemy;
            if (auto p = v.position("the enemy's position"))
                enemy.position = *p;
            if (auto axis = v.word("the axis after the position (x, y or z)")) {
                if (*axis != "x" && *axis != "y" && *axis != "z")
                    return failure(number, "enemy: expected the axis after the position (x, y "
                                           "or z), not '" +
                                               std::string(axis->substr(0, 16)) + "'");
                enemy.axis = (*axis)[0] - 'x';
            }
            level.enemies.push_back(enemy);
        } else if (key == "wall" || key == "slab" || key == "water") {
            Placement placement;
            if (auto p = v.position("the position"))
                placement.position = *p;
            if (key != "water")
                for (float& angle : placement.angles)
                    if (auto n = v.number("the angles after the position", -360.0, 360.0))
                        angle = static_cast<float>(*n);
            if (auto scale = v.number("the scale", MinScale, MaxScale))
                placement.scale = static_cast<float>(*scale);
            (key == "wall"   ? level.walls
             : key == "slab" ? level.slabs
                             : level.waters)
                .push_back(placement);
        } else if (key == "route") {
            Route route;
            if (auto wall = v.whole("the wall's index", 0, 1000000))
                route.wall = *wall;
            if (!v.failed() && (v.left() < 6 || v.left() % 3 != 0))
                return failure(number, "route: expected two or more points X Y Z after the "
                                       "wall's index");
            while (v.more() && !v.failed())
                if (auto p = v.position("the points"))
                    route.points.push_back(*p);
            level.routes.push_back(route);
            routeLines.push_back(number);
        } else {
            return failure(number, "unknown key '" + key.substr(0, 32) +
                                       "' (expected name, model, texture, lightmap, tile, open, "
                                       "solid, light, spawn, enemy, wall, slab, water or route)");
        }
        v.end();
        if (v.failed())
            return failure(number, key + ": " + v.error);
    }
    const int last = std::max(number, 1);
    for (const char* required : {"model", "texture"})
        if (once.count(required) == 0)
            return failure(last, "expected a '" + std::string(required) +
                                     "' line; the file ends without one");
    if (std::none_of(level.boxes.begin(), level.boxes.end(), [](const Box& b) { return b.open; }))
        return failure(last, "expected an 'open' box; the file ends without one");
    if (level.lightMapped && level.format != "fbxa")
        return failure(level.lightMapLine,
                       "lightmap: expected the fbxa model format, which keeps the light map's "
                       "texture coordinates (line " +
                           std::to_string(level.modelLine) + ")");
    for (size_t i = 0; i < level.lights.size(); ++i)
        if (!openAt(level.boxes, level.lights[i].position))
            return failure(lightLines[i], "light: expected a point in the open space, not in "
                                          "the rock");
    for (size_t i = 0; i < level.routes.size(); ++i)
        if (static_cast<size_t>(level.routes[i].wall) >= level.walls.size())
            return failure(routeLines[i], "route: expected the index of a wall line (there are " +
                                              std::to_string(level.walls.size()) + "), not " +
                                              std::to_string(level.routes[i].wall));
    return level;
}

Result<LevelDescription> readLevel(const std::string& path) {
    datafile::Refusal why;
    const std::optional<std::string> text = datafile::read(path, MaxDescriptionBytes, &why);
    if (!text)
        return fail(path + ": cannot read the description (" +
                    datafile::describe(why, MaxDescriptionBytes) + ")");
    return parseLevel(*text, path);
}

} // namespace levels
