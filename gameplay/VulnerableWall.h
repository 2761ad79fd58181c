#pragma once

#include "effects/ParticleSystem.h"
#include "gameplay/GameplayModel.h"
#include "gameplay/WallOrientation.h"
#include "render/RenderScene.h"
#include "render/StaticMeshBody.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <memory>
#include <optional>
#include <vector>

class btCollisionObject;

namespace brindlemox::gameplay {

// The level objective: the model ModelFile, destroyed by holding the attack key close in
// front of it. While hit it fades and sprays particles from the middle of its first long edge.
// Its static triangle-mesh body blocks the player and stays in the world after it is destroyed.
// Drawn with the level's shared program, which it does not own.
//
// The level adds getRigidBody() (null for an empty model) to its world and removes it before the
// wall is destroyed.
class VulnerableWall : public GameplayModel {
  public:
    static constexpr const char* ModelFile = "Obj/vulnerablePath.obj";
    // The player hits the wall only from closer than this to its face.
    static constexpr double Reach = 5.5;

    // A face the wall is attacked through, in model space: its outward normal, a point of it
    // and the box its vertices span (flat along the normal for a face along the model's axes).
    struct Face {
        glm::vec3 normal{0.0f};
        glm::vec3 point{0.0f};
        glm::vec3 low{0.0f};
        glm::vec3 high{0.0f};
    };

    // Unturned and unscaled; directionIndex only selects the particle direction.
    VulnerableWall(const glm::vec3& position, int directionIndex, render::ProgramRef program,
                   float health, float toughness, render::ResourceCache* cache = nullptr);
    // Scaled (bounding radius as loaded) and turned by the orientation, which is also the
    // particle direction. An orientation outside 0..5 is reported and leaves the wall unturned.
    VulnerableWall(const glm::vec3& position, float scale, WallOrientation orientation,
                   render::ProgramRef program, float health, float toughness,
                   render::ResourceCache* cache = nullptr);
    ~VulnerableWall() override;

    // Joins the scene, its sparks drawn after the scene's main pass.
    void show(render::RenderScene& scene);
    // Drawn on its own rather than among the copies of its model (tests of the passes).
    void drawAlone();
    // No longer drawn (but for F8) once destroyed.
    bool isActive() const { return !isDead(); }
    bool isDead() const override { return health <= 0.0f; }
    // Alive, in the camera's frustum, the camera in front of the face of some mesh's first
    // vertex and closer than Reach to it, and nothing of the sight blocker on the line from the
    // camera to that face's nearest point or its middle.
    bool isTargeted(const render::Camera& camera) override;
    // What hides the wall from the camera: the level geometry's body. Null: nothing does.
    void setSightBlocker(btCollisionObject* blocker) { sightBlocker = blocker; }
    // Spawning off: particles fly only on frames the wall is hit.
    void beginFrame() override;
    // Health falls by power * deltaTime / toughness; alpha follows; spawning while alive.
    void takeHit(float power, float deltaTime) override;
    // Runs the particles every frame, dead or alive, so sprayed particles finish their flight.
    void frameUpdate(float deltaTime) override;
    // Health back to the maximum and the wall drawn whole again (a restart after a loss).
    void restore();
    // Draws the sparks the last frameUpdate advanced (the scene does, after its main pass).
    void drawParticles(const glm::mat4& viewProjection, const glm::vec3& cameraPosition);
    // Sets the alpha the wall is drawn with (a test's choice; hits set their own).
    void setAlpha(float alpha);

    const effects::ParticleSystem& getParticles() const { return *particles; }
    // Its sparks have run their first update.
    bool particlesStarted() const { return particles->hasStarted(); }
    long sparkDraws() const { return particles->sparkDraws(); }
    const render::RenderObject& renderObject() const { return entry.object; }
    const render::Transform& getTransform() const { return entry.object.transform; }
    const glm::mat4& getModelMatrix() const { return entry.object.getModelMatrix(); }
    float getAlpha() const { return entry.object.alpha; }
    btRigidBody* getRigidBody() const { return physics.body.get(); }
    float getInitialHealth() const { return initialHealth; }
    glm::vec3 getEmitterPosition() const { return emitter; }
    // The box the placed model spans in the world (a point at the position for an empty model).
    glm::vec3 getBoxLow() const { return boxLow; }
    glm::vec3 getBoxHigh() const { return boxHigh; }
    const render::StaticMeshBody& getBody() const { return physics; }

    // The face of the first vertex: the vertices with its normal in its plane.
    static Face frontFace(const std::vector<render::Vertex>& vertices);
    // The reach of isTargeted for one face placed by the model matrix (turned, uniformly
    // scaled): the face's point nearest the camera when the camera is strictly in front of the
    // face and strictly closer than reach to that point. A zero normal never reaches.
    static std::optional<glm::vec3> reachedPoint(const glm::mat4& model, const Face& face,
                                                 const glm::vec3& cameraPosition, double reach);
    // Whether the segment from eye to a point of the wall misses the blocker's triangles. Its
    // last hundredth of a unit is left out: a face flush with the rock touches it at its rim.
    static bool inSight(btCollisionObject* blocker, const glm::vec3& eye, const glm::vec3& target);
    // health / initialHealth + 0.1, at most 1. Without an initial health above 0: 1 while the
    // health is above 0, else 0.1; never infinite or not a number.
    static float fadedAlpha(float health, float initialHealth);
    // health - power * deltaTime / toughness. A toughness not above 0 resists nothing: a hit
    // destroys the wall (health 0 at most). Never not a number.
    static float healthAfterHit(float health, float power, float deltaTime, float toughness);
    // The middle of the longer of the two edges leaving the first vertex (the second edge when
    // they are equal), placed by the model matrix. Fewer than three vertices: the placed origin.
    static glm::vec3 emitterPosition(const std::vector<render::Vertex>& vertices,
                                     const glm::mat4& model);

  private:
    // Steps shared by both constructors, after placement.
    void startParticles(int directionIndex);
    // Alpha and the active flag to the scene.
    void changed();

    render::SceneEntry entry;
    render::StaticMeshBody physics;
    std::unique_ptr<effects::ParticleSystem> particles;
    float initialHealth;
    glm::vec3 emitter{0.0f};
    glm::vec3 boxLow{0.0f};
    glm::vec3 boxHigh{0.0f};
    std::vector<Face> faces; // one per mesh with vertices
    btCollisionObject* sightBlocker = nullptr;
};

} // namespace brindlemox::gameplay
