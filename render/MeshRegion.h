#pragma once

#include "render/Vertex.h"

#include <glm/vec3.hpp>

#include <vector>

namespace brindlemox::render {

// A run of a mesh's index list whose triangles have their centres in one cube of space, with
// the bounds of those triangles.
struct MeshRegion {
    unsigned firstIndex = 0;
    unsigned indexCount = 0;
    glm::vec3 low{0.0f};
    glm::vec3 high{0.0f};
};

// Side of the cubes a large mesh's triangles are grouped by.
constexpr float MeshRegionSize = 8.0f;
// Reorders indices so that each region's triangles are contiguous (keeping their file order
// within a region) and returns the regions; a mesh no larger than one region keeps its order.
std::vector<MeshRegion> groupIntoRegions(const std::vector<Vertex>& vertices,
                                         std::vector<unsigned>& indices);

} // namespace brindlemox::render
