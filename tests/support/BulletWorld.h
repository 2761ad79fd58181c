#pragma once

// A bare physics world, as a level builds one, for tests that place bodies and cast rays.

#include <btBulletDynamicsCommon.h>

namespace testphysics {

struct BulletWorld {
    btDefaultCollisionConfiguration configuration;
    btCollisionDispatcher dispatcher{&configuration};
    btDbvtBroadphase broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &configuration};

    // Whether the ray from `from` to `to` meets a body; the nearest hit lands in *point.
    bool rayHits(const btVector3& from, const btVector3& to, btVector3* point = nullptr) {
        btCollisionWorld::ClosestRayResultCallback result(from, to);
        world.rayTest(from, to, result);
        if (point != nullptr && result.hasHit())
            *point = result.m_hitPointWorld;
        return result.hasHit();
    }
};

} // namespace testphysics
