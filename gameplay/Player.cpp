#include "gameplay/Player.h"

#include "app/Camera.h"
#include "app/Controls.h"

#include <btBulletDynamicsCommon.h>
#include <glm/geometric.hpp>

namespace {

btVector3 toBullet(const glm::vec3& v) {
    return btVector3(v.x, v.y, v.z);
}

glm::vec3 toGlm(const btVector3& v) {
    return glm::vec3(v.x(), v.y(), v.z());
}

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

    body.reset();
    motionState.reset();
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

void Player::respawn() {
    position = spawnPosition;
    camera.resetAt(spawnPosition);
    if (body == nullptr)
        return;
    // Otherwise the player would come back inside whatever killed it, still moving.
    placeBody(spawnPosition);
    body->setLinearVelocity(btVector3(0, 0, 0));
    body->setAngularVelocity(btVector3(0, 0, 0));
    body->clearForces();
}

void Player::update() {
    controls.applyMouseLook(camera);
    glm::vec3 movement = controls.getMovement();
    const float length = glm::length(movement);
    if (maxStep > 0.0f && length > maxStep)
        movement *= maxStep / length;

    if (body != nullptr) {
        // Without gravity or damping a push from a contact would carry the box on forever; the
        // step has already used it to separate the bodies, so drop it.
        body->setLinearVelocity(btVector3(0, 0, 0));
        body->setAngularVelocity(btVector3(0, 0, 0));
        // The body's own transform is where the step left it; the motion state may lag behind it
        // by Bullet's interpolation.
        const glm::vec3 origin = toGlm(body->getWorldTransform().getOrigin()) + movement;
        placeBody(origin);
        camera.setPosition(origin);
    } else {
        camera.setPosition(camera.getPosition() + movement);
    }
    position = camera.getPosition();
    camera.updateFrustum();
}

void Player::updateModels(std::vector<GameplayModel*> models) {
    if (models.empty())
        return;
    // Read once: the key state counts a press since the previous query as held.
    const float deltaTime = controls.getDeltaTime();
    const bool attacking = controls.isAttackHeld();
    const glm::vec3 eye = camera.getPosition();
    const glm::mat4 viewProjection = camera.getProjectionMatrix() * camera.getViewMatrix();
    for (GameplayModel* model : models) {
        model->beginFrame();
        if (attacking && model->isTargeted(camera))
            model->takeHit(power, deltaTime);
        model->frameUpdate(eye, deltaTime, viewProjection);
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
