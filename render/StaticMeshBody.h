#pragma once

#include "render/Model.h"

#include <btBulletDynamicsCommon.h>
#include <glm/mat4x4.hpp>

#include <memory>
#include <vector>

namespace brindlemox::render {

// A static (mass 0) triangle-mesh body with the Bullet objects it is made of, for the level
// geometry and the walls. Move-only; the pieces are destroyed body first. The owner must take the
// body out of its physics world before this is destroyed.
struct StaticMeshBody {
    std::unique_ptr<btTriangleMesh> mesh;
    std::unique_ptr<btBvhTriangleMeshShape> shape;
    std::unique_ptr<btDefaultMotionState> motionState;
    std::unique_ptr<btRigidBody> body;

    StaticMeshBody() = default;
    StaticMeshBody(StaticMeshBody&&) noexcept = default;
    StaticMeshBody& operator=(StaticMeshBody&& other) noexcept;
    StaticMeshBody(const StaticMeshBody&) = delete;
    StaticMeshBody& operator=(const StaticMeshBody&) = delete;
    ~StaticMeshBody();

    // Builds the body from the triangles placed by modelMatrix, at the identity transform and
    // never deactivated. An empty triangle list gives an empty owner (body null): Bullet cannot
    // build a hierarchy over no triangles.
    static StaticMeshBody build(const std::vector<Triangle>& triangles,
                                const glm::mat4& modelMatrix);
};

} // namespace brindlemox::render
