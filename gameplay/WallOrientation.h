#pragma once

#include <glm/vec3.hpp>

namespace brindlemox::render {
struct Transform;
}

namespace brindlemox::gameplay {

// Code 0..5 that turns a wall model when it is placed. The two wall kinds read it differently.
using WallOrientation = int;

bool isWallOrientation(int code);
// Degrees to add about x, y and z. A code outside 0..5 leaves the wall unturned.
glm::vec3 simpleWallTurn(WallOrientation code);
glm::vec3 vulnerableWallTurn(WallOrientation code);

// Adds the degrees about x, then y, then z to the transform's angles.
void turnWall(render::Transform& transform, const glm::vec3& degrees);

} // namespace brindlemox::gameplay
