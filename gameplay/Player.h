#pragma once

#include "gameplay/GameplayModel.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <memory>
#include <vector>

class btBoxShape;
class btCollisionObject;
class btCollisionWorld;
class btDefaultMotionState;
class btRigidBody;

namespace brindlemox::platform {
class Controls;
}

namespace brindlemox::render {
class Camera;
class Frustum;
} // namespace brindlemox::render

namespace brindlemox::gameplay {

// The one gameplay model the user controls: an invisible 2-unit physics box that the movement
// keys displace and the first-person camera rides on. Not drawn.
//
// The level adds getRigidBody() to its world after spawnAt and must remove it from the world
// before the player is destroyed (the player frees body, motion state and shape).
class Player : public GameplayModel {
  public:
    // Borrows both; they must outlive the player. Stats start at zero.
    Player(platform::Controls& controls, render::Camera& camera);
    ~Player() override;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Places player and camera at (x, y, z) and builds the body there (mass 0.5, no rotation).
    // Calling it again moves the same body there, stopped: a world may hold it.
    void spawnAt(float x, float y, float z);
    // Back to the spawn point: camera reset (yaw 0, pitch 0, fresh frustum), body moved there
    // with its velocities and forces cleared.
    void respawn();
    // Moves player, body and camera to position at once, at rest (fixed views, demos).
    void placeAt(const glm::vec3& newPosition);
    // Once a frame, right after the physics step: mouse look, movement keys, body displacement
    // (swept against the collision world's triangle meshes when one is set, in sweeps of at most
    // getMaxSweep()), camera follow, frustum rebuild. Velocities left on the body by the step are
    // dropped so the player stands still when no key is held.
    void update();
    // The attack pass, in list order: beginFrame, takeHit(power, deltaTime) if the attack key is
    // held and the model is targeted by the camera, frameUpdate.
    void updateModels(const std::vector<GameplayModel*>& models);

    bool isDead() const override { return health <= 0.0f; }

    glm::mat4 getViewMatrix() const;
    glm::mat4 getProjectionMatrix() const;
    const render::Frustum& getFrustum() const;
    btRigidBody* getRigidBody() const { return body.get(); }
    glm::vec3 getPosition() const { return position; }
    glm::vec3 getSpawnPosition() const { return spawnPosition; }

    // Longest single sweep: a longer move is made as several equal sweeps, each stopped and slid
    // by what it meets, so the whole move is made at any frame rate.
    float getMaxSweep() const { return maxSweep; }
    // The world whose static triangle meshes (level geometry, walls) stop the displacement
    // before the box enters them, so thin walls hold at any frame rate; the box slides along
    // what it hits. Other bodies (enemies) are left to the physics step, whose penetrating
    // contacts the level counts as damage. Null (the default) moves the body unswept.
    void setCollisionWorld(const btCollisionWorld* world) { collisionWorld = world; }
    // The triangle-mesh bodies the last update's move ran into (each once): what the player is
    // pressing against.
    const std::vector<const btCollisionObject*>& getPressedBodies() const { return pressed; }

    static constexpr float DefaultMaxSweep = 1.0f;
    // A move longer than this many sweeps (a stall of many seconds, not play) is cut to that
    // length, so one frame's work stays bounded.
    static constexpr int MaxSweeps = 256;
    static constexpr float HalfExtent = 1.0f;
    static constexpr float Mass = 0.5f;

  private:
    void placeBody(const glm::vec3& origin);
    // The whole move from origin, in sweeps of at most maxSweep; returns where the box ends.
    glm::vec3 travel(const glm::vec3& origin, const glm::vec3& movement);
    // The part of movement from origin the box can make before it runs into a triangle mesh,
    // followed by a slide along the surface it hit.
    glm::vec3 sweep(const glm::vec3& origin, const glm::vec3& movement);

    platform::Controls& controls;
    render::Camera& camera;
    glm::vec3 position{0.0f};
    glm::vec3 spawnPosition{0.0f};
    float maxSweep = DefaultMaxSweep;
    const btCollisionWorld* collisionWorld = nullptr;
    std::vector<const btCollisionObject*> pressed;
    // Destroyed body first, then what it refers to.
    std::unique_ptr<btBoxShape> shape;
    std::unique_ptr<btDefaultMotionState> motionState;
    std::unique_ptr<btRigidBody> body;
};

} // namespace brindlemox::gameplay
