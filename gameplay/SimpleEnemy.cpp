#include "gameplay/SimpleEnemy.h"
#include "platform/Report.h"

#include <btBulletDynamicsCommon.h>

namespace brindlemox::gameplay {

using namespace render;
using namespace platform;

SimpleEnemy::SimpleEnemy(const glm::vec3& position, int axisCode, ProgramRef program, float damage,
                         ResourceCache* cache)
    : GameplayModel(0.0f, damage, 0.0f), entry(RenderObject(ModelFile, program, cache)),
      axis(checkedAxis(axisCode)) {
    if (axis != axisCode)
        report(Severity::Warning, "Enemy movement axis " + std::to_string(axisCode) +
                                      " is not 0, 1 or 2; moving along y");
    RenderObject& object = entry.object;
    object.transform.move(position);
    object.closedSurface = true;
    object.instanced = true;
    component = std::make_unique<CellComponent>(position, axis, SpinRate, program, damage, cache);
    object.setScale(Scale);
    initPhysics();
}

SimpleEnemy::~SimpleEnemy() {
    body.reset();
    motionState.reset();
    shape.reset();
}

void SimpleEnemy::initPhysics() {
    // The cell model's half extents at the enemy's scale.
    shape = std::make_unique<btBoxShape>(btVector3(4.78215f, 4.35085f, 4.9009f));
    const glm::vec3& p = entry.object.transform.position;
    motionState = std::make_unique<btDefaultMotionState>(
        btTransform(btQuaternion(0, 0, 0, 1), btVector3(p.x, p.y, p.z)));
    btRigidBody::btRigidBodyConstructionInfo info(0.0f, motionState.get(), shape.get(),
                                                  btVector3(0, 0, 0));
    body = std::make_unique<btRigidBody>(info);
    body->setActivationState(DISABLE_DEACTIVATION);
}

void SimpleEnemy::update(float deltaTime) {
    const glm::vec3 displacement = alongAxis(axis, oscillation.advance(deltaTime));

    btTransform placed;
    motionState->getWorldTransform(placed);
    placed.setOrigin(placed.getOrigin() +
                     btVector3(displacement.x, displacement.y, displacement.z));
    body->setWorldTransform(placed);
    motionState->setWorldTransform(placed);

    entry.object.transform.move(displacement);
    entry.changed();
    component->setStep(oscillation.step);
}

} // namespace brindlemox::gameplay
