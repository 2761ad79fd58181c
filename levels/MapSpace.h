#pragma once

// Where a point stands in a level map, from the map's triangles alone (no GL, no physics world):
// for checking a level file's spawn before the game starts. The map's faces are wound
// counter-clockwise seen from its open space, as the game culls them.

#include "render/Vertex.h"

#include <glm/vec3.hpp>

#include <vector>

namespace brindlemox::levels {

namespace mapspace {

// Whether the cube of half size half around centre meets a triangle of the map.
bool boxMeets(const std::vector<render::Triangle>& map, const glm::vec3& centre, float half);
// Whether point lies in the map's open space: of the rays cast from it in fixed directions, more
// first meet the front of a face than its back. A point in the rock, or outside the map, sees the
// backs of the faces around it or nothing.
bool inOpenSpace(const std::vector<render::Triangle>& map, const glm::vec3& point);

} // namespace mapspace

} // namespace brindlemox::levels
