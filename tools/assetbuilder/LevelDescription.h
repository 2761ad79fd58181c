#pragma once

// A level as the asset builder and the asset checker read it: open boxes carved out of solid rock,
// solid boxes put back (pillars, ribs), and the placements the game uses for that level, kept
// beside the geometry so the checker can test reachability against the same numbers.

#include <array>
#include <string>
#include <vector>

namespace levels {

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
    std::string name;
    std::string modelPath;    // relative to the data folder, e.g. "Obj/level1.2.obj"
    std::string format;       // assimp export format id: "obj" or "fbxa"
    std::string texturePath;  // material diffuse texture, relative to the data folder
    bool lightMapped = false; // bake the material texture as a light map on a second set
    float tileSize = 8.0f;    // world units per repeat of the surface texture
    int lightMapDensity = 2;  // light-map texels per world unit
    std::vector<Box> boxes;
    Vec3 spawn{};
    std::vector<Light> lights;
    std::vector<Enemy> enemies;
    std::vector<Placement> walls;  // breakable walls (vulnerablePath model)
    std::vector<Placement> slabs;  // plain walls (simpleWall model)
    std::vector<Placement> waters; // water surfaces (plane model)
    std::vector<Route> routes;
};

// Reads a description file; throws std::runtime_error with the file and line on bad input.
LevelDescription readLevel(const std::string& path);

} // namespace levels
