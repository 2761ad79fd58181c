#include "render/Frustum.h"

#include <gtest/gtest.h>

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
