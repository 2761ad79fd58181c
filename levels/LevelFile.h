#pragma once

// A level as a text file (docs/LEVELS.md): one item a line, "key value ...", "#" starts a
// comment. The reader only checks and collects; FileLevel builds the objects.

#include <glm/vec3.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brindlemox::levels {

namespace levelfile {

// Bounds, so that a wrong or hostile file cannot push the game into values it never meant to see.
constexpr std::uintmax_t MaxBytes = 1u << 20;
// Measured with crowds stacked on one spot, on a busy two-core machine with a software renderer:
// the physics pairs every object with each one it overlaps when it joins (2000 walls load in
// about a second) and a moving enemy each time it leaves its box (1000 enemies keep a frame
// near one second there, 9999 took five).
constexpr size_t MaxObjects = 2000;
constexpr size_t MaxEnemies = 1000;
constexpr size_t MaxLights = 8; // the shaders' light count
constexpr double MaxCoordinate = 1.0e5;
constexpr double MaxStat = 1.0e6; // health, power, toughness, damage
constexpr double MaxScale = 1000.0;
// The smallest values that still play: below them a value rounds to nothing (a health of 1e-50
// is 0, lost every frame) or makes an object too small to see.
constexpr double MinHealth = 1.0; // the player's and a wall's
constexpr double MinToughness = 0.01;
constexpr double MinWallScale = 0.25; // 0.5 x 3 x 4 units
constexpr double MinWaterScale = 1.0; // 2 x 2 units, the player's width
constexpr long long MaxLightOffset = 1000000;
constexpr size_t MaxTitle = 60;
constexpr size_t MaxPath = 255;

// The kinds of object (levels/EntityKinds.h); also the groups of the drawing order, in the
// default order.
enum class Kind { Map, PlainWalls, Water, Enemies, Walls };
constexpr size_t KindCount = 5;

// One object of the level, made in the order of the file's lines.
struct Object {
    Kind kind = Kind::Map;
    glm::vec3 position{0.0f};
    int code = 0;         // enemy axis (0 x, 1 y, 2 z) or wall orientation (0 to 5)
    float scale = 1.0f;   // breakable walls and water
    float health = 15.0f; // breakable walls
    float toughness = 4.0f;
    float damage = 3.0f; // enemies
    std::string path;    // the map's model
    bool lightMapped = false;
    int line = 0; // of the file, for what is found wrong later
};

struct Light {
    glm::vec3 position{0.0f};
    long long offset = 0; // power = the configured brightness + offset
};

struct Content {
    std::string title;
    glm::vec3 spawn{0.0f};
    // Where the view looks at the start and after a loss (degrees).
    double spawnYaw = 90.0;
    double spawnPitch = 0.0;
    int spawnLine = 0;
    float health = 40.0f;
    float power = 10.0f;
    float toughness = 3.0f;
    std::vector<Object> objects; // one map, at most one water
    std::vector<Light> lights;
    std::array<Kind, KindCount> drawOrder = {Kind::Map, Kind::PlainWalls, Kind::Water,
                                             Kind::Enemies, Kind::Walls};
    // Where the paths are looked for before the data folder; empty for the data folder's levels.
    std::string folder;

    const Object& map() const;
    size_t count(Kind kind) const;
};

struct Result {
    std::optional<Content> content;
    std::string error; // "NAME:LINE: what was expected"; empty when read
};

// The level in text; name is how lines are named in the error.
Result parse(const std::string& text, const std::string& name);
// The level in the file at path (a regular file of at most MaxBytes).
Result read(const std::string& path);

} // namespace levelfile

} // namespace brindlemox::levels
