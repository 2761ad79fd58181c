#pragma once

#include <glm/vec3.hpp>

#include <memory>
#include <vector>

class btBroadphaseInterface;
class btDefaultCollisionConfiguration;
class btCollisionDispatcher;
class btSequentialImpulseConstraintSolver;
class btDiscreteDynamicsWorld;
class btCollisionObject;
class btRigidBody;

namespace brindlemox::gameplay {
class Player;
class SimpleEnemy;
} // namespace brindlemox::gameplay

namespace brindlemox::levels {

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
    // Every penetrating contact point hurts the player, unless the level geometry's body is in
    // it: with an enemy's body, the enemy's damage x 0.5/3 a second divided by the player's
    // toughness over 3 (damage 3 and toughness 3: 0.5 a second); else 0.5 a second. The
    // player's move stops at the surface of triangle meshes, so pressing against a wall never
    // penetrates: a wall the move ran into counts as one contact.
    // Returns the health taken and where it came from: the contact points weighted by the
    // health each took.
    struct Hurt {
        float amount = 0.0f;
        glm::vec3 from{0.0f};
    };
    Hurt hurtByContacts(gameplay::Player& player, const btCollisionObject* geometry,
                        const std::vector<gameplay::SimpleEnemy*>& enemies, float deltaTime);
    // What one penetrating point of an enemy's touch takes in deltaTime. A toughness not above
    // 0 counts as 3.
    static float touchDamage(float damage, float toughness, float deltaTime);

    btDiscreteDynamicsWorld& world() { return *dynamicsWorld; }

  private:
    std::unique_ptr<btBroadphaseInterface> broadphase;
    std::unique_ptr<btDefaultCollisionConfiguration> collisionConfiguration;
    std::unique_ptr<btCollisionDispatcher> dispatcher;
    std::unique_ptr<btSequentialImpulseConstraintSolver> solver;
    std::unique_ptr<btDiscreteDynamicsWorld> dynamicsWorld;
    std::vector<btRigidBody*> bodies;
};

} // namespace brindlemox::levels
