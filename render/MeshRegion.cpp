#include "render/MeshRegion.h"

#include <glm/common.hpp>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace brindlemox::render {

std::vector<MeshRegion> groupIntoRegions(const std::vector<Vertex>& vertices,
                                         std::vector<unsigned>& indices) {
    const size_t triangleCount = indices.size() / 3;
    if (triangleCount == 0 || vertices.empty())
        return {};
    glm::vec3 low(vertices.front().position), high(low);
    for (const Vertex& v : vertices) {
        low = glm::min(low, v.position);
        high = glm::max(high, v.position);
    }
    const auto bounds = [&](unsigned first, unsigned count) {
        MeshRegion region{first, count, vertices[indices[first]].position,
                          vertices[indices[first]].position};
        for (unsigned i = first; i < first + count; ++i) {
            region.low = glm::min(region.low, vertices[indices[i]].position);
            region.high = glm::max(region.high, vertices[indices[i]].position);
        }
        return region;
    };
    const glm::vec3 size = high - low;
    if (std::max({size.x, size.y, size.z}) <= MeshRegionSize)
        return {bounds(0, static_cast<unsigned>(triangleCount * 3))};

    // Triangles by the cube their centre lies in; a map keeps the regions in a fixed order.
    using Cube = std::tuple<int, int, int>;
    std::map<Cube, std::vector<unsigned>> byCube;
    for (size_t t = 0; t < triangleCount; ++t) {
        const glm::vec3 centre =
            (vertices[indices[3 * t]].position + vertices[indices[3 * t + 1]].position +
             vertices[indices[3 * t + 2]].position) /
            3.0f;
        const glm::vec3 cube = glm::floor((centre - low) / MeshRegionSize);
        // Odd files may hold huge or non-finite positions: keep the conversion to int defined.
        const auto index = [](float c) {
            return std::isfinite(c) ? static_cast<int>(std::clamp(c, 0.0f, 1.0e6f)) : 0;
        };
        byCube[{index(cube.x), index(cube.y), index(cube.z)}].push_back(static_cast<unsigned>(t));
    }
    std::vector<unsigned> grouped;
    grouped.reserve(triangleCount * 3);
    std::vector<MeshRegion> regions;
    for (const auto& [cube, triangles] : byCube) {
        const auto first = static_cast<unsigned>(grouped.size());
        for (unsigned t : triangles)
            grouped.insert(grouped.end(), indices.begin() + 3 * t, indices.begin() + 3 * t + 3);
        regions.push_back({first, static_cast<unsigned>(grouped.size()) - first});
    }
    indices = std::move(grouped);
    for (MeshRegion& region : regions)
        region = bounds(region.firstIndex, region.indexCount);
    return regions;
}

} // namespace brindlemox::render
