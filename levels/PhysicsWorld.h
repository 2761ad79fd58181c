#pragma once

#include <memory>
#include <vector>

class btBroadphaseInterface;
class btDefaultCollisionConfiguration;
class btCollisionDispatcher;
class btSequentialImpulseConstraintSolver;
class btDiscreteDynamicsWorld;
class btCollisionObject;
class btRigidBody;
class Player;

// A level's Bullet world, without gravity, and the rule by which its contacts hurt the player.
// Bodies are owned by the objects they belong to; they leave the world before it goes.
class PhysicsWorld {
  public:
    PhysicsWorld();
    ~PhysicsWorld();
    PhysicsWorld(const PhysicsWorld&) = delete;
    PhysicsWorld& operator=(const PhysicsWorld&) = delete;

    // A missing body (a model that failed to load) is skipped.
    void add(btRigidBody* body);
    // Takes every body out of the world, before their owners are destroyed.
    void removeAll();
    // One fixed step of 1/60 s.
    void step();
    // Every penetrating contact point hurts the player (0.5 a second), unless the level
    // geometry's body is in it. The player's move stops at the surface of triangle meshes, so
    // pressing against a wall never penetrates: a wall the move ran into counts as one contact.
    void hurtByContacts(Player& player, const btCollisionObject* geometry, float deltaTime);

    btDiscreteDynamicsWorld& world() { return *dynamicsWorld; }

  private:
    std::unique_ptr<btBroadphaseInterface> broadphase;
    std::unique_ptr<btDefaultCollisionConfiguration> collisionConfiguration;
    std::unique_ptr<btCollisionDispatcher> dispatcher;
    std::unique_ptr<btSequentialImpulseConstraintSolver> solver;
    std::unique_ptr<btDiscreteDynamicsWorld> dynamicsWorld;
    std::vector<btRigidBody*> bodies;
};
