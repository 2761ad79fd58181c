#include "gameplay/Player.h"

#include "platform/Controls.h"
#include "render/Camera.h"

#include <btBulletDynamicsCommon.h>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>

namespace brindlemox::gameplay {

using namespace render;
using namespace platform;

namespace {

btVector3 toBullet(const glm::vec3& v) {
    return btVector3(v.x, v.y, v.z);
}

glm::vec3 toGlm(const btVector3& v) {
    return glm::vec3(v.x(), v.y(), v.z());
}

// Gap kept between the box and a surface it stops at.
constexpr float SkinWidth = 0.01f;

// The first triangle-mesh surface the box meets while moving into it. Surfaces it moves away
// from or along do not count, so a box that starts touching a wall can still leave it.
class MeshHit : public btCollisionWorld::ClosestConvexResultCallback {
  public:
    MeshHit(const btCollisionObject* self, const btVector3& from, const btVector3& to)
        : ClosestConvexResultCallback(from, to), self(self), motion(to - from) {}

    bool needsCollision(btBroadphaseProxy* proxy) const override {
        const auto* object = static_cast<const btCollisionObject*>(proxy->m_clientObject);
        if (object == self || !object->getCollisionShape()->isConcave())
            return false;
        return ClosestConvexResultCallback::needsCollision(proxy);
    }

    btScalar addSingleResult(btCollisionWorld::LocalConvexResult& result,
                             bool normalInWorldSpace) override {
        const btVector3 normal = normalInWorldSpace
                                     ? result.m_hitNormalLocal
                                     : result.m_hitCollisionObject->getWorldTransform().getBasis() *
                                           result.m_hitNormalLocal;
        if (normal.dot(motion) >= 0)
            return m_closestHitFraction;
        return ClosestConvexResultCallback::addSingleResult(result, normalInWorldSpace);
    }

  private:
    const btCollisionObject* self;
    btVector3 motion;
};

} // namespace

Player::Player(Controls& controls, Camera& camera)
    : GameplayModel(0.0f, 0.0f, 0.0f), controls(controls), camera(camera) {}

Player::~Player() {
    body.reset();
    motionState.reset();
    shape.reset();
}

void Player::spawnAt(float x, float y, float z) {
    position = glm::vec3(x, y, z);
    spawnPosition = position;
    camera.setPosition(position);

    if (body != nullptr) {
        // Replacing the body would free one the world still steps.
        placeBody(position);
        body->setLinearVelocity(btVector3(0, 0, 0));
        body->setAngularVelocity(btVector3(0, 0, 0));
        body->clearForces();
        return;
    }
    shape = std::make_unique<btBoxShape>(btVector3(HalfExtent, HalfExtent, HalfExtent));
    const btTransform start(btQuaternion(0, 0, 0, 1), toBullet(position));
    motionState = std::make_unique<btDefaultMotionState>(start);
    // Zero inertia: contacts push the box but never turn it.
    btRigidBody::btRigidBodyConstructionInfo info(Mass, motionState.get(), shape.get(),
                                                  btVector3(0, 0, 0));
    body = std::make_unique<btRigidBody>(info);
    body->setActivationState(DISABLE_DEACTIVATION);
    placeBody(position);
}

void Player::placeBody(const glm::vec3& origin) {
    const btTransform placed(btQuaternion(0, 0, 0, 1), toBullet(origin));
    body->setWorldTransform(placed);
    body->setInterpolationWorldTransform(placed);
    motionState->setWorldTransform(placed);
}

glm::vec3 Player::travel(const glm::vec3& origin, const glm::vec3& movement) {
    if (collisionWorld == nullptr)
        return origin + movement;
    const float length = glm::length(movement);
    if (!(length > 0.0f))
        return origin;
    int sweeps = 1;
    glm::vec3 part = movement;
    if (maxSweep > 0.0f && length > maxSweep) {
        const float count = std::ceil(length / maxSweep);
        sweeps = count < static_cast<float>(MaxSweeps) ? static_cast<int>(count) : MaxSweeps;
        part = movement * (std::min(length / static_cast<float>(sweeps), maxSweep) / length);
    }
    glm::vec3 at = origin;
    for (int i = 0; i < sweeps; ++i) {
        const glm::vec3 moved = sweep(at, part);
        at += moved;
        // Held fast: the remaining sweeps would meet the same surface in the same place.
        if (glm::length(moved) < 1e-6f)
            break;
    }
    return at;
}

glm::vec3 Player::sweep(const glm::vec3& origin, const glm::vec3& movement) {
    glm::vec3 from = origin;
    glm::vec3 remaining = movement;
    // The move, then at most one slide along the surface it stopped at.
    for (int pass = 0; pass < 2; ++pass) {
        // Moves shorter than the skin count too: at several hundred frames a second every move
        // is that short.
        const float length = glm::length(remaining);
        if (!(length > 1e-6f))
            break;
        const btVector3 a = toBullet(from), b = toBullet(from + remaining);
        MeshHit hit(body.get(), a, b);
        collisionWorld->convexSweepTest(shape.get(), btTransform(btQuaternion(0, 0, 0, 1), a),
                                        btTransform(btQuaternion(0, 0, 0, 1), b), hit);
        if (!hit.hasHit()) {
            from += remaining;
            break;
        }
        if (std::find(pressed.begin(), pressed.end(), hit.m_hitCollisionObject) == pressed.end())
            pressed.push_back(hit.m_hitCollisionObject);
        const float reach = std::max(0.0f, hit.m_closestHitFraction * length - SkinWidth);
        from += remaining * (reach / length);
        const glm::vec3 normal = glm::normalize(toGlm(hit.m_hitNormalWorld));
        remaining *= 1.0f - reach / length;
        remaining -= normal * glm::dot(remaining, normal);
    }
    return from - origin;
}

void Player::respawn() {
    position = spawnPosition;
    camera.resetAt(spawnPosition);
    if (body == nullptr)
        return;
    // Otherwise the player would come back inside whatever killed it, still moving.
    placeAt(spawnPosition);
}

void Player::placeAt(const glm::vec3& newPosition) {
    position = newPosition;
    camera.setPosition(newPosition);
    if (body == nullptr)
        return;
    placeBody(newPosition);
    body->setLinearVelocity(btVector3(0, 0, 0));
    body->setAngularVelocity(btVector3(0, 0, 0));
    body->clearForces();
}

void Player::update() {
    applyMouseLook(controls, camera);
    const glm::vec3 movement = controls.getMovement();
    pressed.clear();

    if (body != nullptr) {
        // Without gravity or damping a push from a contact would carry the box on forever; the
        // step has already used it to separate the bodies, so drop it.
        body->setLinearVelocity(btVector3(0, 0, 0));
        body->setAngularVelocity(btVector3(0, 0, 0));
        // The body's own transform is where the step left it; the motion state may lag behind it
        // by Bullet's interpolation.
        const glm::vec3 start = toGlm(body->getWorldTransform().getOrigin());
        const glm::vec3 origin = travel(start, movement);
        placeBody(origin);
        camera.setPosition(origin);
    } else {
        camera.setPosition(camera.getPosition() + movement);
    }
    position = camera.getPosition();
    camera.updateFrustum();
}

void Player::updateModels(const std::vector<GameplayModel*>& models) {
    if (models.empty())
        return;
    // Read once: the key state counts a press since the previous query as held.
    const float deltaTime = controls.getDeltaTime();
    const bool attacking = controls.isAttackHeld();
    for (GameplayModel* model : models) {
        model->beginFrame();
        if (attacking && model->isTargeted(camera))
            model->takeHit(power, deltaTime);
        model->frameUpdate(deltaTime);
    }
}

glm::mat4 Player::getViewMatrix() const {
    return camera.getViewMatrix();
}

glm::mat4 Player::getProjectionMatrix() const {
    return camera.getProjectionMatrix();
}

const Frustum& Player::getFrustum() const {
    return camera.getFrustum();
}

} // namespace brindlemox::gameplay
