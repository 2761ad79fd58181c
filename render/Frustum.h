#pragma once

#include <glm/vec3.hpp>

#include <array>
#include <vector>

namespace brindlemox::render {

// One side of the view volume; the normal points inwards.
struct Plane {
    glm::vec3 point{0.0f};
    glm::vec3 normal{0.0f};
    float d = 0.0f;

    // Plane through p2 with normal normalize((p3 - p2) x (p1 - p2)).
    static Plane fromPoints(const glm::vec3& p1, const glm::vec3& p2, const glm::vec3& p3);
    // Signed distance, positive on the inner side.
    float distance(const glm::vec3& p) const {
        return normal.x * p.x + normal.y * p.y + normal.z * p.z + d;
    }
};

// The six planes of the camera's view volume, for culling drawables before any GL call.
class Frustum {
  public:
    void build(float fovDegrees, float aspect, float nearDistance, float farDistance,
               const glm::vec3& direction, const glm::vec3& up, const glm::vec3& position);
    // Inside or crossing every plane; touching from outside at exactly -radius counts as visible.
    bool sphereVisible(const glm::vec3& centre, float radius) const;
    // Every plane has at least one point strictly inside it. An empty set is not visible.
    bool pointsVisible(const std::vector<glm::vec3>& points) const;

    // A volume that holds everything, seen from eye (a warm-up draws every object).
    static Frustum everything(const glm::vec3& eye);

    bool isBuilt() const { return built; }
    // Where the view volume starts: the camera, or its mirror image in the reflection pass.
    const glm::vec3& getEye() const { return eye; }
    const std::array<Plane, 6>& getPlanes() const { return planes; }

  private:
    std::array<Plane, 6> planes{};
    glm::vec3 eye{0.0f};
    bool built = false;
};

} // namespace brindlemox::render
