#include "gameplay/SimpleEnemy.h"

#include <btBulletDynamicsCommon.h>

#include <cstdio>

SimpleEnemy::SimpleEnemy(const glm::vec3& position, int axisCode, ProgramRef program, float damage,
                         ResourceCache* cache)
    : Drawable(ModelFile, program, cache), GameplayModel(0.0f, damage, 0.0f),
      axis(checkedAxis(axisCode)) {
    if (axis != axisCode)
        std::printf("Enemy movement axis %d is not 0, 1 or 2; moving along y\n", axisCode);
    transform.move(position);
    component = std::make_unique<CellComponent>(position, axis, SpinRate, program, damage, cache);
    setScale(Scale);
    initPhysics();
}

SimpleEnemy::~SimpleEnemy() {
    SimpleEnemy::release();
    rigidBody = nullptr;
    body.reset();
    motionState.reset();
    shape.reset();
}

void SimpleEnemy::initPhysics() {
    // The cell model's half extents at the enemy's scale.
    shape = std::make_unique<btBoxShape>(btVector3(4.78215f, 4.35085f, 4.9009f));
    const glm::vec3& p = transform.position;
    motionState = std::make_unique<btDefaultMotionState>(
        btTransform(btQuaternion(0, 0, 0, 1), btVector3(p.x, p.y, p.z)));
    btRigidBody::btRigidBodyConstructionInfo info(0.0f, motionState.get(), shape.get(),
                                                  btVector3(0, 0, 0));
    body = std::make_unique<btRigidBody>(info);
    body->setActivationState(DISABLE_DEACTIVATION);
    rigidBody = body.get();
}

void SimpleEnemy::update(float deltaTime) {
    const glm::vec3 displacement = alongAxis(axis, oscillation.advance(deltaTime));

    btTransform placed;
    motionState->getWorldTransform(placed);
    placed.setOrigin(placed.getOrigin() +
                     btVector3(displacement.x, displacement.y, displacement.z));
    body->setWorldTransform(placed);
    motionState->setWorldTransform(placed);

    transform.move(displacement);
    component->setStep(oscillation.step);
}

void SimpleEnemy::release() {
    Drawable::release();
    if (component != nullptr)
        component->release();
}
