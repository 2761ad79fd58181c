#include "levels/PhysicsWorld.h"

#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>

namespace brindlemox::levels {

using namespace gameplay;

PhysicsWorld::PhysicsWorld() {
    auto tree = std::make_unique<btDbvtBroadphase>();
    // Enemies glide a little every frame. Without a box that reaches ahead along their motion,
    // each one leaves its box every frame or two and costs a query of both trees, which grows
    // with everything it overlaps; contacts themselves are still computed exactly.
    tree->setVelocityPrediction(1.0f);
    broadphase = std::move(tree);
    collisionConfiguration = std::make_unique<btDefaultCollisionConfiguration>();
    dispatcher = std::make_unique<btCollisionDispatcher>(collisionConfiguration.get());
    solver = std::make_unique<btSequentialImpulseConstraintSolver>();
    dynamicsWorld = std::make_unique<btDiscreteDynamicsWorld>(
        dispatcher.get(), broadphase.get(), solver.get(), collisionConfiguration.get());
    dynamicsWorld->setGravity(btVector3(0, 0, 0));
}

PhysicsWorld::~PhysicsWorld() {
    removeAll();
    // The world goes before the parts it was made with.
    dynamicsWorld.reset();
    solver.reset();
    dispatcher.reset();
    collisionConfiguration.reset();
    broadphase.reset();
}

void PhysicsWorld::add(btRigidBody* body) {
    if (body == nullptr)
        return;
    dynamicsWorld->addRigidBody(body);
    bodies.push_back(body);
}

void PhysicsWorld::removeAll() {
    for (btRigidBody* body : bodies)
        dynamicsWorld->removeRigidBody(body);
    bodies.clear();
}

void PhysicsWorld::step() {
    dynamicsWorld->stepSimulation(1.0f / 60.0f, 10, 1.0f / 60.0f);
}

float PhysicsWorld::touchDamage(float damage, float toughness, float deltaTime) {
    // Grouped so that damage 3 and toughness 3 multiply by exactly 1.
    const float resisted = toughness > 0.0f ? 3.0f / toughness : 1.0f;
    return 0.5f * deltaTime * (damage / 3.0f) * resisted;
}

PhysicsWorld::Hurt PhysicsWorld::hurtByContacts(Player& player, const btCollisionObject* geometry,
                                                const std::vector<SimpleEnemy*>& enemies,
                                                float deltaTime) {
    Hurt hurt;
    glm::vec3 weighted(0.0f);
    const auto take = [&](float amount, const btVector3& at) {
        player.takeDamage(amount);
        hurt.amount += amount;
        weighted += glm::vec3(at.x(), at.y(), at.z()) * amount;
    };
    const btCollisionObject* self = player.getRigidBody();
    const std::vector<const btCollisionObject*>& pressed = player.getPressedBodies();
    const int manifolds = dispatcher->getNumManifolds();
    for (int i = 0; i < manifolds; ++i) {
        btPersistentManifold* manifold = dispatcher->getManifoldByIndexInternal(i);
        const btCollisionObject* a = manifold->getBody0();
        const btCollisionObject* b = manifold->getBody1();
        if (geometry != nullptr && (a == geometry || b == geometry))
            continue;
        const auto enemy = std::find_if(enemies.begin(), enemies.end(), [a, b](SimpleEnemy* e) {
            return e->getRigidBody() == a || e->getRigidBody() == b;
        });
        const float perPoint =
            enemy != enemies.end()
                ? touchDamage((*enemy)->getPower(), player.getToughness(), deltaTime)
                : 0.5f * deltaTime;
        int penetrating = 0;
        for (int p = 0; p < manifold->getNumContacts(); ++p) {
            const btManifoldPoint& point = manifold->getContactPoint(p);
            if (point.getDistance() < 0.0f) {
                take(perPoint, (point.getPositionWorldOnA() + point.getPositionWorldOnB()) * 0.5f);
                ++penetrating;
            }
        }
        const btCollisionObject* other = a == self ? b : b == self ? a : nullptr;
        if (penetrating == 0 && self != nullptr && other != nullptr &&
            std::find(pressed.begin(), pressed.end(), other) != pressed.end()) {
            // Where the box touches the wall, else (no point kept) the box's own centre.
            btVector3 at = self->getWorldTransform().getOrigin();
            if (manifold->getNumContacts() > 0)
                at = manifold->getContactPoint(0).getPositionWorldOnA();
            take(0.5f * deltaTime, at);
        }
    }
    if (hurt.amount > 0.0f)
        hurt.from = weighted / hurt.amount;
    return hurt;
}

} // namespace brindlemox::levels
