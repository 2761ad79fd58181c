#pragma once

// A level as the asset builder and the asset checker read it: open boxes carved out of solid rock,
// solid boxes put back (pillars, ribs), and the placements the game uses for that level, kept
// beside the geometry so the checker can test reachability against the same numbers.

#include "platform/Report.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace levels {

// What a description may ask for: every level the builder accepts is built in bounded time and
// memory (docs/LEVELS.md lists them).
constexpr std::uintmax_t MaxDescriptionBytes = 1u << 20;
constexpr int MaxCoordinate = 100000;
constexpr int MaxSpan = 1000;                // cells along each axis, all boxes together
constexpr long long MaxCells = 32000000;     // cells of the grid the boxes span
constexpr long long MaxBoxCells = 256000000; // the boxes' own cells, added up
constexpr size_t MaxBoxes = 10000;
constexpr size_t MaxLights = 64;
constexpr double MaxLightPower = 10000.0;
constexpr int MaxLightMapDensity = 8;
constexpr double MinTile = 0.25, MaxTile = 10000.0;
constexpr double MinScale = 0.01, MaxScale = 1000.0;
constexpr size_t MaxName = 64;
constexpr size_t MaxPath = 255;
constexpr size_t MaxTriangles = 100000; // in the level's model
constexpr int LightMapWidth = 1024;
constexpr int MaxLightMapRows = 2048;
// The length of the rays baking the light map casts, in world units, added up.
constexpr long long MaxLightMapRays = 3000000000;

using Vec3 = std::array<float, 3>;

struct Box {
    bool open = true;
    std::array<int, 3> min{};
    std::array<int, 3> max{};
};

struct Light {
    Vec3 position{};
    float power = 0.0f;
};

struct Enemy {
    Vec3 position{};
    int axis = 0; // 0 = x, 1 = y, 2 = z
};

// A wall model placed with T * R * S; angles in degrees about x, y, z.
struct Placement {
    Vec3 position{};
    Vec3 angles{};
    float scale = 1.0f;
};

struct Route {
    int wall = 0;             // index into walls
    std::vector<Vec3> points; // first point is the spawn position
};

struct LevelDescription {
    std::string source; // the description's file, as messages name it
    std::string name = "level";
    std::string modelPath;    // relative to the data folder, e.g. "Obj/level1.2.obj"
    std::string format;       // assimp export format id: "obj" or "fbxa"
    std::string texturePath;  // material diffuse texture, relative to the data folder
    bool lightMapped = false; // bake the material texture as a light map on a second set
    float tileSize = 8.0f;    // world units per repeat of the surface texture
    int lightMapDensity = 2;  // light-map texels per world unit
    int modelLine = 0;        // the lines of the model and lightmap keys, for messages
    int lightMapLine = 0;
    std::vector<Box> boxes;
    Vec3 spawn{};
    std::vector<Light> lights;
    std::vector<Enemy> enemies;
    std::vector<Placement> walls;  // breakable walls (vulnerablePath model)
    std::vector<Placement> slabs;  // plain walls (simpleWall model)
    std::vector<Placement> waters; // water surfaces (plane model)
    std::vector<Route> routes;
};

// The description in text; a failure is one line, "SOURCE:LINE: what was expected".
brindlemox::platform::Result<LevelDescription> parseLevel(const std::string& text,
                                                          const std::string& source);
// The description in the file at path (a regular file of at most MaxDescriptionBytes).
brindlemox::platform::Result<LevelDescription> readLevel(const std::string& path);

} // namespace levels
