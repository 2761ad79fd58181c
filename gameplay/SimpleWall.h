#pragma once

#include "effects/PerlinNoise.h"
#include "gameplay/WallOrientation.h"
#include "render/Drawable.h"
#include "render/StaticMeshBody.h"

#include <glm/vec3.hpp>

#include <memory>

// A static, indestructible slab (ModelFile, scale 16) drawn with its own wood-ring
// noise texture, with a static triangle-mesh body in world space. Drawn with the level's shared
// program, which it does not own.
//
// The level adds getRigidBody() (null for an empty model) to its world and removes it before the
// wall is destroyed.
class SimpleWall : public Drawable {
  public:
    static constexpr const char* ModelFile = "Obj/simpleWall.obj";
    static constexpr unsigned NoiseSize = 600;
    static constexpr unsigned NoiseSeed = 235;
    static constexpr float Scale = 16.0f;
    // Material colours of the wood: the model has no textured material for the mesh draw to set
    // them from.
    static constexpr float Ambient = 0.3f;
    static constexpr float Diffuse = 1.0f;
    static constexpr float Specular = 0.15f;

    // An orientation outside 0..5 is reported on standard output and leaves the wall unturned.
    SimpleWall(const glm::vec3& position, WallOrientation orientation, ProgramRef program,
               ResourceCache* cache = nullptr);
    ~SimpleWall() override;

    // Builds the body from the model's triangles placed by the current model matrix; moving the
    // wall afterwards does not move the body.
    void initPhysics() override;
    bool isActive() override { return true; }
    void update(float /*deltaTime*/) override {}
    // Only "mvp", "modelMat", "alpha", the sampler and the wall's material colours, then the noise
    // on unit 0; the other shared uniforms keep what the drawable before set.
    void uploadUniforms(const RenderState& state) override;
    void release() override;
    // The wood rings are the wall's picture; its model carries no texture to draw over them.
    bool drawsMaterialTextures() const override { return false; }
    bool isClosedSurface() const override { return true; }

    const PerlinNoise* getNoise() const { return noise.get(); }
    const StaticMeshBody& getBody() const { return physics; }

  private:
    StaticMeshBody physics;
    // Every plain wall shows the same rings: one texture for all of them.
    std::shared_ptr<const PerlinNoise> noise;
};
