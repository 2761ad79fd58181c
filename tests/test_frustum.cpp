#include "render/Frustum.h"

#include <glm/geometric.hpp>

#include <gtest/gtest.h>

using namespace brindlemox::render;

namespace {

Frustum worked() {
    Frustum frustum;
    frustum.build(90.0f, 1.0f, 1.0f, 100.0f, {0, 0, -1}, {0, 1, 0}, {0, 0, 0});
    return frustum;
}

} // namespace

TEST(Frustum, PlaneFromThreePoints) {
    Plane plane = Plane::fromPoints({1, 0, 0}, {0, 0, 0}, {0, 0, 1});
    // normalize(b x a) with a = (1,0,0), b = (0,0,1): (0,1,0).
    EXPECT_FLOAT_EQ(plane.normal.y, 1.0f);
    EXPECT_FLOAT_EQ(plane.distance({5, 3, 5}), 3.0f);
}

TEST(Frustum, SpheresAgainstTheWorkedVolume) {
    Frustum frustum = worked();
    EXPECT_TRUE(frustum.sphereVisible({0, 0, -50}, 1.0f));
    EXPECT_FALSE(frustum.sphereVisible({0, 0, 50}, 1.0f));
    EXPECT_FALSE(frustum.sphereVisible({0, 0, -101.5f}, 1.0f));
    EXPECT_TRUE(frustum.sphereVisible({0, 0, -100.5f}, 1.0f));
    // Exactly touching the far plane from outside still counts.
    EXPECT_TRUE(frustum.sphereVisible({0, 0, -101.0f}, 1.0f));
    // Every normal points into the volume.
    for (const Plane& plane : frustum.getPlanes())
        EXPECT_GT(plane.distance({0, 0, -50}), 0.0f);
}

TEST(Frustum, PointSets) {
    Frustum frustum = worked();
    EXPECT_FALSE(frustum.pointsVisible({}));
    // One point inside with others far outside in every direction.
    EXPECT_TRUE(frustum.pointsVisible(
        {{0, 0, -50}, {1000, 0, 0}, {-1000, 0, 0}, {0, 1000, 0}, {0, -1000, 0}, {0, 0, 1000}}));
    // Entirely behind the near plane.
    EXPECT_FALSE(frustum.pointsVisible({{0, 0, -0.5f}, {0.1f, 0.1f, 0}, {0, 0, 5}}));
    // A point exactly on a plane is not inside it.
    EXPECT_FALSE(frustum.pointsVisible({{0, 0, -1.0f}}));
}

TEST(Frustum, MirroredAboutAHorizontalPlaneHoldsTheMirroredVolume) {
    // The reflection pass culls with the camera's frustum mirrored about the water plane.
    const float height = -60.0f;
    glm::vec3 eye(3, -50, 2);
    glm::vec3 direction = glm::normalize(glm::vec3(0.3f, -0.4f, 1.0f));
    glm::vec3 right = glm::normalize(glm::cross(direction, glm::vec3(0, 1, 0)));
    glm::vec3 up = glm::cross(right, direction);
    Frustum real;
    real.build(40, 1.5f, 0.1f, 230, direction, up, eye);
    Frustum mirrored;
    mirrored.build(40, 1.5f, 0.1f, 230, {direction.x, -direction.y, direction.z},
                   {up.x, -up.y, up.z}, {eye.x, 2 * height - eye.y, eye.z});
    auto mirror = [&](glm::vec3 p) { return glm::vec3(p.x, 2 * height - p.y, p.z); };
    const glm::vec3 samples[] = {{3, -55, 20},  {10, -70, 30}, {-20, -40, 10}, {3, -50, -5},
                                 {40, -52, 25}, {3, -120, 60}, {0, -65, 100}};
    for (const glm::vec3& p : samples)
        EXPECT_EQ(real.sphereVisible(p, 0.0f), mirrored.sphereVisible(mirror(p), 0.0f))
            << p.x << " " << p.y << " " << p.z;
}
