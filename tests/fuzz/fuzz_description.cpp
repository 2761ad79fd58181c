// Feeds arbitrary bytes to the level builder's description reader: it must refuse (with one line
// naming the file) or take them, never crash or read out of bounds, and whatever it takes must
// stay within the bounds that keep a build small; small grids are then carved and their surface
// found.
#include "LevelDescription.h"
#include "VoxelLevel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace brindlemox::platform;

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

void within(const levels::Vec3& p) {
    for (float v : p)
        check(std::isfinite(v) && std::fabs(v) <= levels::MaxCoordinate);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Result<levels::LevelDescription> read =
        levels::parseLevel(std::string(reinterpret_cast<const char*>(data), size), "fuzz.txt");
    if (!read) {
        check(read.error().rfind("fuzz.txt:", 0) == 0 &&
              read.error().find('\n') == std::string::npos);
        return 0;
    }
    const levels::LevelDescription& level = *read;
    check(!level.modelPath.empty() && level.modelPath[0] != '/' && !level.texturePath.empty() &&
          level.texturePath[0] != '/' && level.modelPath != level.texturePath);
    check(level.format == "obj" || (level.format == "fbxa" && level.modelLine > 0));
    check(!level.lightMapped || (level.format == "fbxa" && level.lightMapDensity >= 1 &&
                                 level.lightMapDensity <= levels::MaxLightMapDensity));
    check(level.tileSize >= levels::MinTile && level.tileSize <= levels::MaxTile);
    check(!level.boxes.empty() && level.boxes.size() <= levels::MaxBoxes &&
          level.lights.size() <= levels::MaxLights);
    long long cells = 1;
    for (int a = 0; a < 3; ++a) {
        int lo = levels::MaxCoordinate, hi = -levels::MaxCoordinate;
        for (const levels::Box& box : level.boxes) {
            check(box.min[a] < box.max[a]);
            lo = std::min(lo, box.min[a]);
            hi = std::max(hi, box.max[a]);
        }
        check(hi - lo <= levels::MaxSpan);
        cells *= hi - lo;
    }
    check(cells <= levels::MaxCells);
    for (const levels::Light& light : level.lights)
        within(light.position);
    for (const levels::Route& route : level.routes) {
        check(route.points.size() >= 2 && static_cast<size_t>(route.wall) < level.walls.size());
        for (const levels::Vec3& p : route.points)
            within(p);
    }
    if (cells <= 64 * 64 * 64) {
        const levels::VoxelLevel voxels(level.boxes);
        for (const levels::Light& light : level.lights)
            check(voxels.isOpenAt(light.position));
        const size_t limit = levels::MaxTriangles / 2;
        check(voxels.surface(24, limit).size() <= limit + 1);
    }
    return 0;
}
