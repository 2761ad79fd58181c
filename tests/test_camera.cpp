#include "render/Camera.h"
#include "render/Frustum.h"

#include "support/Checks.h"
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/ext/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>

using namespace brindlemox::render;

namespace {

using checks::Degree;
using checks::expectNear;

} // namespace

TEST(Camera, PitchIsClampedToEightyDegrees) {
    Camera camera;
    camera.setPitch(95);
    EXPECT_NEAR(camera.getPitch(), 80 * Degree, 1e-6);
    camera.setPitch(-100);
    EXPECT_NEAR(camera.getPitch(), -80 * Degree, 1e-6);
    camera.setPitch(45);
    EXPECT_NEAR(camera.getPitch(), 45 * Degree, 1e-6);
}

TEST(Camera, YawIsNotWrapped) {
    Camera camera;
    camera.setYaw(450);
    EXPECT_NEAR(camera.getYaw(), 450 * 3.141592653589793 / 180.0, 1e-12);
    expectNear(camera.getDirection(), {1, 0, 0});
}

TEST(Camera, BasisVectorsForWorkedAngles) {
    Camera camera;
    camera.setYaw(90);
    camera.setPitch(0);
    camera.updateVectors();
    expectNear(camera.getDirection(), {1, 0, 0});
    expectNear(camera.getRight(), {0, 0, 1});
    expectNear(camera.getUp(), {0, 1, 0});

    camera.setYaw(0);
    camera.updateVectors();
    expectNear(camera.getDirection(), {0, 0, 1});
    expectNear(camera.getRight(), {-1, 0, 0});
    expectNear(camera.getUp(), {0, 1, 0});

    // Looking up moves the view direction upward; right stays horizontal.
    camera.setPitch(30);
    camera.updateVectors();
    EXPECT_GT(camera.getDirection().y, 0.49f);
    EXPECT_FLOAT_EQ(camera.getRight().y, 0.0f);
}

TEST(Camera, MatricesFollowTheLookAtAndPerspectiveConventions) {
    Camera camera;
    camera.setYaw(90);
    camera.updateVectors();
    camera.setPosition({1, 2, 3});
    glm::mat4 view = camera.getViewMatrix();
    // The eye maps to the origin and the view direction to -z.
    glm::vec4 eye = view * glm::vec4(1, 2, 3, 1);
    expectNear(glm::vec3(eye), {0, 0, 0});
    glm::vec4 ahead = view * glm::vec4(2, 2, 3, 1);
    expectNear(glm::vec3(ahead), {0, 0, -1});

    glm::mat4 projection = camera.getProjectionMatrix();
    float t = std::tan(20.0f * Degree);
    EXPECT_NEAR(projection[1][1], 1.0f / t, 1e-4);
    EXPECT_NEAR(projection[0][0], 1.0f / ((4.0f / 3.0f) * t), 1e-4);
    EXPECT_FLOAT_EQ(projection[2][3], -1.0f);
    EXPECT_NEAR(projection[2][2], -(230.0f + 0.1f) / (230.0f - 0.1f), 1e-6);
}

TEST(Camera, AspectFollowsTheWindowAndIgnoresNonsense) {
    Camera camera;
    EXPECT_FLOAT_EQ(camera.getAspect(), 4.0f / 3.0f);
    camera.setAspect(16.0f / 9.0f);
    EXPECT_FLOAT_EQ(camera.getAspect(), 16.0f / 9.0f);
    camera.setAspect(0.0f);
    camera.setAspect(NAN);
    EXPECT_FLOAT_EQ(camera.getAspect(), 16.0f / 9.0f);
    glm::mat4 projection = camera.getProjectionMatrix();
    EXPECT_NEAR(projection[0][0] * 16.0f / 9.0f, projection[1][1], 1e-4);
}

TEST(Camera, ResetAndSavedYaw) {
    Camera camera;
    camera.setYaw(30);
    camera.toggleSavedYaw();
    camera.setYaw(100);
    camera.toggleSavedYaw();
    EXPECT_NEAR(camera.getYaw(), 30 * 3.141592653589793 / 180.0, 1e-12);

    camera.setYaw(45);
    camera.setPitch(10);
    camera.updateFrustum();
    EXPECT_TRUE(camera.getFrustum().isBuilt());
    camera.resetAt({0, 8, 0});
    EXPECT_EQ(camera.getYaw(), 0.0);
    EXPECT_EQ(camera.getPitch(), 0.0f);
    expectNear(camera.getPosition(), {0, 8, 0});
    EXPECT_FALSE(camera.getFrustum().isBuilt());
    EXPECT_FLOAT_EQ(camera.getFieldOfView(), 40.0f);
}

TEST(Camera, FrustumAgreesWithTheProjection) {
    // A point just inside the projected picture is inside the frustum, one just outside is not.
    Camera camera;
    camera.setAspect(2.0f);
    camera.setYaw(0);
    camera.updateVectors();
    camera.setPosition({0, 0, 0});
    camera.updateFrustum();
    glm::mat4 vp = camera.getProjectionMatrix() * camera.getViewMatrix();
    auto ndcX = [&](glm::vec3 p) {
        glm::vec4 c = vp * glm::vec4(p, 1);
        return c.x / c.w;
    };
    float halfWidth = 50.0f * std::tan(20.0f * Degree) * 2.0f;
    glm::vec3 inside(halfWidth * 0.95f, 0, 50);
    glm::vec3 outside(halfWidth * 1.05f, 0, 50);
    glm::vec3 outsideLeft(-halfWidth * 1.05f, 0, 50);
    EXPECT_LT(std::fabs(ndcX(inside)), 1.0f);
    EXPECT_GT(std::fabs(ndcX(outside)), 1.0f);
    const Frustum& frustum = camera.getFrustum();
    EXPECT_TRUE(frustum.sphereVisible(inside, 0.0f));
    EXPECT_FALSE(frustum.sphereVisible(outside, 0.0f));
    EXPECT_FALSE(frustum.sphereVisible(outsideLeft, 0.0f));
}
