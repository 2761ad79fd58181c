#include "gameplay/WallOrientation.h"

#include "render/RenderObject.h"

#include <array>

namespace brindlemox::gameplay {

using namespace render;

namespace {

constexpr int CodeCount = 6;

// Rows are codes 0..5: degrees about x, y, z.
const std::array<glm::vec3, CodeCount> SimpleTurns = {{
    {0.0f, 0.0f, 90.0f},
    {0.0f, 0.0f, 270.0f},
    {90.0f, 0.0f, 0.0f},
    {270.0f, 0.0f, 0.0f},
    {0.0f, 0.0f, 90.0f},
    {0.0f, 0.0f, 270.0f},
}};

const std::array<glm::vec3, CodeCount> VulnerableTurns = {{
    {0.0f, 0.0f, 0.0f},
    {0.0f, 180.0f, 0.0f},
    {0.0f, 90.0f, 0.0f},
    {0.0f, 270.0f, 0.0f},
    {0.0f, 0.0f, 90.0f},
    {0.0f, 0.0f, 270.0f},
}};

} // namespace

bool isWallOrientation(int code) {
    return code >= 0 && code < CodeCount;
}

glm::vec3 simpleWallTurn(WallOrientation code) {
    return isWallOrientation(code) ? SimpleTurns[code] : glm::vec3(0.0f);
}

glm::vec3 vulnerableWallTurn(WallOrientation code) {
    return isWallOrientation(code) ? VulnerableTurns[code] : glm::vec3(0.0f);
}

void turnWall(Transform& transform, const glm::vec3& degrees) {
    transform.rotateX(degrees.x);
    transform.rotateY(degrees.y);
    transform.rotateZ(degrees.z);
}

} // namespace brindlemox::gameplay
