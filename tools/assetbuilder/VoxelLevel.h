#pragma once

// The level's rock as a grid of unit cells: cells are solid unless an open box carves them, and
// later solid boxes fill them again. The surface between open and solid cells becomes the level
// mesh, facing into the open space.

#include "LevelDescription.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace levels {

// An axis-aligned rectangle of the level surface. Corners: origin, origin + u, origin + u + v,
// origin + v, counter-clockwise seen from the open side.
struct SurfaceQuad {
    Vec3 origin{};
    Vec3 u{};
    Vec3 v{};
    Vec3 normal{};
    int axis = 0; // axis of the normal
};

class VoxelLevel {
  public:
    explicit VoxelLevel(const std::vector<Box>& boxes);

    bool isOpen(int x, int y, int z) const; // world cell coordinates; outside the grid is solid
    bool isOpenAt(const Vec3& p) const;

    // Rectangles of surface, merged greedily per slice and cut to at most maxSize per side. Stops
    // once it holds more than maxQuads.
    std::vector<SurfaceQuad> surface(int maxSize, size_t maxQuads = SIZE_MAX) const;

    // True when the segment from a to b crosses no solid cell (a and b must lie in open space).
    bool segmentClear(const Vec3& a, const Vec3& b) const;

  private:
    int index(int x, int y, int z) const;

    std::array<int, 3> origin_{}; // world coordinate of cell (0, 0, 0)
    std::array<int, 3> size_{};
    std::vector<std::uint8_t> open_;
};

} // namespace levels
