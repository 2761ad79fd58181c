#include "render/StaticMeshBody.h"
#include "support/BulletWorld.h"

#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

using namespace brindlemox::render;

namespace {

const std::vector<Triangle> UnitSquare = {
    Triangle{glm::vec3(0, 0, 0), glm::vec3(1, 0, 0), glm::vec3(1, 1, 0)},
    Triangle{glm::vec3(0, 0, 0), glm::vec3(1, 1, 0), glm::vec3(0, 1, 0)}};

} // namespace

TEST(StaticMeshBody, EmptyTriangleListGivesNoBody) {
    StaticMeshBody empty = StaticMeshBody::build({}, glm::mat4(1.0f));
    EXPECT_EQ(empty.body, nullptr);
    EXPECT_EQ(empty.shape, nullptr);
    EXPECT_EQ(empty.mesh, nullptr);
}

TEST(StaticMeshBody, IsStaticAtTheOriginAndNeverSleeps) {
    StaticMeshBody owner = StaticMeshBody::build(UnitSquare, glm::mat4(1.0f));
    ASSERT_NE(owner.body, nullptr);
    EXPECT_TRUE(owner.body->isStaticObject());
    EXPECT_FLOAT_EQ(owner.body->getInvMass(), 0.0f);
    EXPECT_EQ(owner.body->getActivationState(), DISABLE_DEACTIVATION);
    EXPECT_EQ(owner.body->getWorldTransform().getOrigin(), btVector3(0, 0, 0));
    EXPECT_EQ(owner.body->getCollisionShape(), owner.shape.get());
    EXPECT_EQ(owner.mesh->getNumTriangles(), 2);
}

TEST(StaticMeshBody, TrianglesArePlacedByTheModelMatrix) {
    // Scaled by 2 and moved to z = -5: the square spans x, y in 10..12.
    const glm::mat4 m =
        glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(10, 10, -5)), glm::vec3(2.0f));
    StaticMeshBody owner = StaticMeshBody::build(UnitSquare, m);
    testphysics::BulletWorld world;
    world.world.addRigidBody(owner.body.get());
    btVector3 at;
    EXPECT_TRUE(world.rayHits(btVector3(11.5f, 11.5f, 5), btVector3(11.5f, 11.5f, -20), &at));
    EXPECT_NEAR(at.z(), -5.0f, 1e-4f);
    EXPECT_FALSE(world.rayHits(btVector3(0.5f, 0.5f, 5), btVector3(0.5f, 0.5f, -20)));
    world.world.removeRigidBody(owner.body.get());
}

TEST(StaticMeshBody, MovingKeepsTheBodyAndItsParts) {
    StaticMeshBody first = StaticMeshBody::build(UnitSquare, glm::mat4(1.0f));
    btRigidBody* body = first.body.get();
    StaticMeshBody second(std::move(first));
    EXPECT_EQ(second.body.get(), body);
    EXPECT_EQ(first.body, nullptr);
    StaticMeshBody third;
    third = std::move(second);
    EXPECT_EQ(third.body.get(), body);
    EXPECT_EQ(third.body->getMotionState(), third.motionState.get());
}
