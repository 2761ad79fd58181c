#include "render/StaticMeshBody.h"

#include <glm/vec4.hpp>

namespace brindlemox::render {

namespace {

btVector3 placed(const glm::mat4& m, const glm::vec3& p) {
    const glm::vec4 q = m * glm::vec4(p, 1.0f);
    return btVector3(q.x, q.y, q.z);
}

} // namespace

StaticMeshBody& StaticMeshBody::operator=(StaticMeshBody&& other) noexcept {
    if (this != &other) {
        // The body refers to the state and shape, the shape to the mesh: free in that order.
        body = std::move(other.body);
        motionState = std::move(other.motionState);
        shape = std::move(other.shape);
        mesh = std::move(other.mesh);
    }
    return *this;
}

StaticMeshBody::~StaticMeshBody() {
    body.reset();
    motionState.reset();
    shape.reset();
    mesh.reset();
}

StaticMeshBody StaticMeshBody::build(const std::vector<Triangle>& triangles,
                                     const glm::mat4& modelMatrix) {
    StaticMeshBody result;
    if (triangles.empty())
        return result;

    result.mesh = std::make_unique<btTriangleMesh>(true, true);
    for (const Triangle& t : triangles)
        result.mesh->addTriangle(placed(modelMatrix, t.a), placed(modelMatrix, t.b),
                                 placed(modelMatrix, t.c), false);

    result.shape = std::make_unique<btBvhTriangleMeshShape>(result.mesh.get(), true, true);

    const btTransform identity(btQuaternion(0, 0, 0, 1), btVector3(0, 0, 0));
    result.motionState = std::make_unique<btDefaultMotionState>(identity);

    btRigidBody::btRigidBodyConstructionInfo info(0.0f, result.motionState.get(),
                                                  result.shape.get(), btVector3(0, 0, 0));
    result.body = std::make_unique<btRigidBody>(info);
    result.body->setActivationState(DISABLE_DEACTIVATION);
    result.body->setWorldTransform(identity);
    return result;
}

} // namespace brindlemox::render
