#include "render/LightSet.h"
#include "render/RenderObject.h"
#include "support/Checks.h"

#include <gtest/gtest.h>

#include <glm/gtc/quaternion.hpp>

#include <cmath>

using namespace brindlemox::render;

namespace {

using checks::expectNear;

glm::vec3 place(const glm::mat4& m, const glm::vec3& p) {
    return glm::vec3(m * glm::vec4(p, 1.0f));
}

// A render object whose model is built on the CPU only (no GL names), so bounding and culling
// can be checked without a context.
RenderObject cpuObject(const std::vector<std::vector<glm::vec3>>& meshes, bool points = false) {
    auto built = std::make_shared<Model>();
    built->meshes.resize(meshes.size());
    for (size_t i = 0; i < meshes.size(); ++i) {
        glm::vec3 sum(0.0f);
        for (const glm::vec3& p : meshes[i]) {
            Vertex v;
            v.position = p;
            built->meshes[i].vertices.push_back(v);
            sum += p;
        }
        if (!meshes[i].empty())
            built->meshes[i].centroid = sum / static_cast<float>(meshes[i].size());
    }
    RenderObject object(built, nullptr);
    object.look.byRegions = points;
    return object;
}

Frustum lookingDownMinusZ() {
    Frustum f;
    f.build(90.0f, 1.0f, 1.0f, 100.0f, glm::vec3(0, 0, -1), glm::vec3(0, 1, 0), glm::vec3(0.0f));
    return f;
}

// Six points one unit around c.
std::vector<glm::vec3> blob(const glm::vec3& c) {
    return {c + glm::vec3(1, 0, 0), c - glm::vec3(1, 0, 0), c + glm::vec3(0, 1, 0),
            c - glm::vec3(0, 1, 0), c + glm::vec3(0, 0, 1), c - glm::vec3(0, 0, 1)};
}

} // namespace

TEST(Transform, StartsAtTheIdentity) {
    Transform t;
    const glm::mat4 m = t.modelMatrix();
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_FLOAT_EQ(m[c][r], c == r ? 1.0f : 0.0f);
}

TEST(Transform, AnglesAccumulateWithoutWrapping) {
    Transform t;
    t.rotateY(90.0f);
    t.rotateY(270.0f);
    EXPECT_FLOAT_EQ(t.angles.y, 90.0f * 0.017453292f + 270.0f * 0.017453292f);
    EXPECT_NEAR(t.angles.y, 2.0f * 3.14159265f, 1e-5f);
    t.rotateX(-45.0f);
    t.rotateZ(720.0f);
    EXPECT_FLOAT_EQ(t.angles.x, -45.0f * 0.017453292f);
    EXPECT_NEAR(t.angles.z, 4.0f * 3.14159265f, 1e-5f);
}

TEST(Transform, NegativeScaleBecomesOne) {
    Transform t;
    t.setScale(2.5f);
    EXPECT_FLOAT_EQ(t.scale, 2.5f);
    t.setScale(-3.0f);
    EXPECT_FLOAT_EQ(t.scale, 1.0f);
    t.setScale(0.0f);
    EXPECT_FLOAT_EQ(t.scale, 0.0f);
}

TEST(Transform, MoveAddsToThePosition) {
    Transform t;
    t.move(1.0f, 2.0f, 3.0f);
    t.move(glm::vec3(-1.0f, 0.5f, 0.0f));
    expectNear(t.position, glm::vec3(0.0f, 2.5f, 3.0f));
    expectNear(place(t.modelMatrix(), glm::vec3(0.0f)), glm::vec3(0.0f, 2.5f, 3.0f));
}

TEST(Transform, QuarterTurnsFollowTheRightHandRule) {
    Transform y;
    y.rotateY(90.0f);
    expectNear(place(y.modelMatrix(), glm::vec3(1, 0, 0)), glm::vec3(0, 0, -1));
    Transform x;
    x.rotateX(90.0f);
    expectNear(place(x.modelMatrix(), glm::vec3(0, 1, 0)), glm::vec3(0, 0, 1));
    Transform z;
    z.rotateZ(90.0f);
    expectNear(place(z.modelMatrix(), glm::vec3(1, 0, 0)), glm::vec3(0, 1, 0));
}

TEST(Transform, ScalesThenRotatesThenTranslates) {
    Transform t;
    t.setScale(2.0f);
    t.rotateZ(90.0f);
    t.move(10.0f, 0.0f, 0.0f);
    expectNear(place(t.modelMatrix(), glm::vec3(1, 0, 0)), glm::vec3(10, 2, 0));
}

TEST(Transform, RotationIsTheQuaternionOfTheThreeAngles) {
    Transform t;
    t.rotateX(30.0f);
    t.rotateY(-70.0f);
    t.rotateZ(125.0f);
    // The half-angle quaternion of (x, y, z) Euler angles, as GLM builds it.
    const glm::mat4 expected = glm::mat4_cast(glm::quat(t.angles));
    const glm::mat4 actual = t.modelMatrix();
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(actual[c][r], expected[c][r], 1e-5f) << c << "," << r;
    // Rotation keeps lengths.
    EXPECT_NEAR(glm::length(place(actual, glm::vec3(3, 4, 0))), 5.0f, 1e-5f);
}

TEST(DrawableBounds, CentreIsTheMeanOfAllVertices) {
    RenderObject d = cpuObject({{glm::vec3(0, 0, 0), glm::vec3(2, 0, 0)}, {glm::vec3(4, 6, 0)}});
    expectNear(d.getBoundingCentre(), glm::vec3(2, 2, 0));
    // Farthest vertex from (2, 2, 0) is (4, 6, 0).
    EXPECT_NEAR(d.getBoundingRadius(), std::sqrt(20.0f), 1e-5f);
}

TEST(DrawableBounds, SetScaleMeasuresTheRadiusAgain) {
    RenderObject d = cpuObject({blob(glm::vec3(0.0f))});
    EXPECT_NEAR(d.getBoundingRadius(), 1.0f, 1e-6f);
    d.setScale(2.0f);
    EXPECT_NEAR(d.getBoundingRadius(), 2.0f, 1e-6f);
    d.setScale(-3.0f);
    EXPECT_FLOAT_EQ(d.getTransform().scale, 1.0f);
    EXPECT_NEAR(d.getBoundingRadius(), 1.0f, 1e-6f);
}

TEST(DrawableBounds, MovingDoesNotChangeTheRadiusButMovesTheCentre) {
    RenderObject d = cpuObject({blob(glm::vec3(0.0f))});
    d.getTransform().move(5.0f, 0.0f, 0.0f);
    EXPECT_NEAR(d.getBoundingRadius(), 1.0f, 1e-6f);
    expectNear(d.getWorldCentre(), glm::vec3(5, 0, 0));
    expectNear(d.getMeshCentre(0), glm::vec3(5, 0, 0));
    const std::vector<glm::vec3> placed = d.getMeshVertices(0);
    ASSERT_EQ(placed.size(), 6u);
    expectNear(placed[0], glm::vec3(6, 0, 0));
}

TEST(DrawableBounds, EmptyModelHasNoNanAndIsNeverVisible) {
    RenderObject d = cpuObject({});
    EXPECT_FALSE(std::isnan(d.getBoundingCentre().x));
    expectNear(d.getBoundingCentre(), glm::vec3(0.0f));
    EXPECT_FLOAT_EQ(d.getBoundingRadius(), 0.0f);
    EXPECT_FALSE(d.isInFrustum(lookingDownMinusZ()));
    EXPECT_TRUE(d.getTriangles().empty());
}

TEST(DrawableBounds, NoModelIsNeverVisible) {
    RenderObject d;
    EXPECT_EQ(d.getModel(), nullptr);
    EXPECT_FALSE(d.isInFrustum(lookingDownMinusZ()));
    EXPECT_EQ(d.getProgram(), 0u);
    EXPECT_FLOAT_EQ(d.getAlpha(), 1.0f);
}

TEST(DrawableCulling, SphereInFrontIsVisibleBehindIsNot) {
    const Frustum f = lookingDownMinusZ();
    RenderObject d = cpuObject({blob(glm::vec3(0.0f))});
    d.getTransform().move(0.0f, 0.0f, -50.0f);
    EXPECT_TRUE(d.isInFrustum(f));
    d.getTransform().move(0.0f, 0.0f, 100.0f);
    EXPECT_FALSE(d.isInFrustum(f));
    // Beyond the far plane by more than the radius, then by less.
    d.getTransform().position = glm::vec3(0, 0, -101.5f);
    EXPECT_FALSE(d.isInFrustum(f));
    d.getTransform().position = glm::vec3(0, 0, -100.5f);
    EXPECT_TRUE(d.isInFrustum(f));
}

TEST(DrawableCulling, AnyVisibleMeshMakesTheObjectVisible) {
    const Frustum f = lookingDownMinusZ();
    RenderObject d = cpuObject({blob(glm::vec3(0, 0, 50)), blob(glm::vec3(0, 0, -50))});
    EXPECT_TRUE(d.isInFrustum(f));
    RenderObject hidden = cpuObject({blob(glm::vec3(0, 0, 50)), blob(glm::vec3(0, 0, 60))});
    EXPECT_FALSE(hidden.isInFrustum(f));
}

TEST(DrawableCulling, SphereUsesTheSingleRadiusAroundEachMeshCentroid) {
    const Frustum f = lookingDownMinusZ();
    // Two small meshes far apart: the object's radius spans both, so each small mesh counts as
    // visible even when it lies well behind the camera, within that radius.
    RenderObject d = cpuObject({blob(glm::vec3(0, 0, 10)), blob(glm::vec3(0, 0, 200))});
    EXPECT_GT(d.getBoundingRadius(), 90.0f);
    EXPECT_TRUE(d.isInFrustum(f));
}

TEST(DrawableCulling, PointTestNeedsAPointInsideEveryPlane) {
    const Frustum f = lookingDownMinusZ();
    // One point inside, the rest far outside in every direction.
    RenderObject spread =
        cpuObject({{glm::vec3(0, 0, -10), glm::vec3(1000, 0, -10), glm::vec3(-1000, 0, -10),
                    glm::vec3(0, 1000, -10), glm::vec3(0, -1000, -10), glm::vec3(0, 0, 1000),
                    glm::vec3(0, 0, -1000)}},
                  true);
    EXPECT_TRUE(spread.isInFrustum(f));
    // Entirely behind the near plane, although its bounding sphere would reach inside.
    RenderObject behind =
        cpuObject({{glm::vec3(-200, 0, 0.5f), glm::vec3(200, 0, 0.5f), glm::vec3(0, 0, 10)}}, true);
    EXPECT_FALSE(behind.isInFrustum(f));
}

TEST(Lights, CarryTheFixedAttenuationTerms) {
    Light light(glm::vec3(1, 2, 3), 50.0f);
    EXPECT_FLOAT_EQ(light.power, 50.0f);
    EXPECT_FLOAT_EQ(light.constant, 1.0f);
    EXPECT_FLOAT_EQ(light.linear, 0.35f);
    EXPECT_FLOAT_EQ(light.quadratic, 0.44f);
    expectNear(light.position, glm::vec3(1, 2, 3));
}

TEST(Lights, SetKeepsItsOwnCopy) {
    std::vector<Light> lights{Light(glm::vec3(0.0f), 1.0f), Light(glm::vec3(1.0f), 2.0f)};
    LightSet set(lights);
    lights[0].power = 99.0f;
    lights.clear();
    ASSERT_EQ(set.getLights().size(), 2u);
    EXPECT_FLOAT_EQ(set.getLights()[0].power, 1.0f);
    EXPECT_FLOAT_EQ(set.getLights()[1].power, 2.0f);
}
