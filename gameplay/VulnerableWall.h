#pragma once

#include "effects/ParticleSystem.h"
#include "gameplay/GameplayModel.h"
#include "gameplay/WallOrientation.h"
#include "render/RenderScene.h"
#include "render/StaticMeshBody.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <memory>
#include <vector>

// The level objective: "Obj/vulnerablePath.obj", destroyed by holding the attack key close in
// front of it. While hit it fades and sprays particles from the middle of its first long edge.
// Its static triangle-mesh body blocks the player and stays in the world after it is destroyed.
// Drawn with the level's shared program, which it does not own.
//
// The level adds getRigidBody() (null for an empty model) to its world and removes it before the
// wall is destroyed.
class VulnerableWall : public GameplayModel {
  public:
    // The player hits the wall only from closer than this to its face plane.
    static constexpr double Reach = 5.5;

    // Unturned and unscaled; directionIndex only selects the particle direction.
    VulnerableWall(const glm::vec3& position, int directionIndex, ProgramRef program, float health,
                   float toughness, ResourceCache* cache = nullptr);
    // Scaled (bounding radius as loaded) and turned by the orientation, which is also the
    // particle direction. An orientation outside 0..5 is reported and leaves the wall unturned.
    VulnerableWall(const glm::vec3& position, float scale, WallOrientation orientation,
                   ProgramRef program, float health, float toughness,
                   ResourceCache* cache = nullptr);
    ~VulnerableWall() override;

    // Joins the scene, its sparks drawn after the scene's main pass.
    void show(RenderScene& scene);
    // Drawn on its own rather than among the copies of its model (tests of the passes).
    void drawAlone();
    // No longer drawn (but for F8) once destroyed.
    bool isActive() const { return !isDead(); }
    bool isDead() const override { return health <= 0.0f; }
    // Alive, in the camera's frustum, and the camera closer than Reach to the face plane (on
    // either side) of the first vertex of some mesh.
    bool isTargeted(const Camera& camera) override;
    // Spawning off: particles fly only on frames the wall is hit.
    void beginFrame() override;
    // Health falls by power * deltaTime / toughness; alpha follows; spawning while alive.
    void takeHit(float power, float deltaTime) override;
    // Runs the particles every frame, dead or alive, so sprayed particles finish their flight.
    void frameUpdate(const glm::vec3& cameraPosition, float deltaTime,
                     const glm::mat4& viewProjection) override;
    // Health back to the maximum and the wall drawn whole again (a restart after a loss).
    void restore();
    // Draws the sparks the last frameUpdate advanced (the scene does, after its main pass).
    void drawParticles(const glm::mat4& viewProjection, const glm::vec3& cameraPosition);
    // Sets the alpha the wall is drawn with (a test's choice; hits set their own).
    void setAlpha(float alpha);

    const ParticleSystem& getParticles() const { return *particles; }
    // Its sparks have run their first update.
    bool particlesStarted() const { return particles->hasStarted(); }
    long sparkDraws() const { return particles->sparkDraws(); }
    const RenderObject& renderObject() const { return entry.object; }
    const Transform& getTransform() const { return entry.object.transform; }
    const glm::mat4& getModelMatrix() const { return entry.object.getModelMatrix(); }
    float getAlpha() const { return entry.object.alpha; }
    btRigidBody* getRigidBody() const { return physics.body.get(); }
    float getInitialHealth() const { return initialHealth; }
    glm::vec3 getEmitterPosition() const { return emitter; }
    const StaticMeshBody& getBody() const { return physics; }

    // The rule of isTargeted for one face: the face's normal turned into the world by the model
    // matrix, the absolute distance of the camera to the plane through the placed vertex,
    // strictly below reach. A zero normal never reaches.
    static bool withinReach(const glm::mat4& model, const glm::vec3& vertexPosition,
                            const glm::vec3& vertexNormal, const glm::vec3& cameraPosition,
                            double reach);
    // health / initialHealth + 0.1, at most 1. Without an initial health above 0: 1 while the
    // health is above 0, else 0.1; never infinite or not a number.
    static float fadedAlpha(float health, float initialHealth);
    // health - power * deltaTime / toughness. A toughness not above 0 resists nothing: a hit
    // destroys the wall (health 0 at most). Never not a number.
    static float healthAfterHit(float health, float power, float deltaTime, float toughness);
    // The middle of the longer of the two edges leaving the first vertex (the second edge when
    // they are equal), placed by the model matrix. Fewer than three vertices: the placed origin.
    static glm::vec3 emitterPosition(const std::vector<Vertex>& vertices, const glm::mat4& model);

  private:
    // Steps shared by both constructors, after placement.
    void startParticles(int directionIndex);
    // Alpha and the active flag to the scene.
    void changed();

    SceneEntry entry;
    StaticMeshBody physics;
    std::unique_ptr<ParticleSystem> particles;
    float initialHealth;
    glm::vec3 emitter{0.0f};
};
