#pragma once

#include "effects/PerlinNoise.h"
#include "gameplay/WallOrientation.h"
#include "render/RenderScene.h"
#include "render/StaticMeshBody.h"

#include <glm/vec3.hpp>

#include <memory>

class btRigidBody;

namespace brindlemox::gameplay {

// A static, indestructible slab (ModelFile, scale 16) drawn with its own wood-ring
// noise texture, with a static triangle-mesh body in world space. Drawn with the level's shared
// program, which it does not own.
//
// The level adds getRigidBody() (null for an empty model) to its world and removes it before the
// wall is destroyed.
class SimpleWall {
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
    // The body is built from the model's triangles placed where the wall stands.
    SimpleWall(const glm::vec3& position, WallOrientation orientation, render::ProgramRef program,
               render::ResourceCache* cache = nullptr);
    SimpleWall(const SimpleWall&) = delete;
    SimpleWall& operator=(const SimpleWall&) = delete;

    // Joins the scene.
    void show(render::RenderScene& scene) { entry.show(scene); }

    const render::RenderObject& renderObject() const { return entry.object; }
    const render::Transform& getTransform() const { return entry.object.transform; }
    const effects::PerlinNoise* getNoise() const { return noise.get(); }
    const render::StaticMeshBody& getBody() const { return physics; }
    btRigidBody* getRigidBody() const { return physics.body.get(); }

  private:
    render::SceneEntry entry;
    render::StaticMeshBody physics;
    // Every plain wall shows the same rings: one texture for all of them.
    std::shared_ptr<const effects::PerlinNoise> noise;
};

} // namespace brindlemox::gameplay
