#pragma once

#include "render/RenderScene.h"
#include "render/Texture.h"

#include <glm/vec3.hpp>

#include <memory>

namespace brindlemox::render {
class Camera;
class WaterRenderTargets;
} // namespace brindlemox::render

namespace brindlemox::effects {

// The water surface: the model ModelFile drawn with the reflection and refraction images of the
// level's render targets, distorted by a scrolling DUDV map and lit through a normal map.
// Texture units: 0 reflection, 1 refraction, 2 DUDV, 3 normal map. Its render object (group
// DrawGroup::Water) carries its program, textures and scroll phase; the scene draws it.
class WaterMesh {
  public:
    static constexpr const char* ModelFile = "Obj/plane.obj";
    static constexpr const char* DudvImage = "Texture/waterDUDV.png";
    static constexpr const char* NormalImage = "Texture/normalMap.png";

    // screenHeight, screenWidth and camera are accepted for the level's convenience and not used
    // (the passes give the program the camera's position).
    WaterMesh(const glm::vec3& position, int screenHeight, int screenWidth,
              const render::Camera& camera, render::ResourceCache* cache = nullptr);

    // The targets whose images it shows; without them units 0 and 1 are left empty.
    void setRenderTargets(const render::WaterRenderTargets* targets);
    // Joins the scene.
    void show(render::RenderScene& scene) { entry.show(scene); }
    // Advances the scroll phase by deltaTime / 100, back to exactly 0 at 1.
    void update(float deltaTime);
    // Sets the scale and measures the bounding radius again.
    void setScale(float scale);

    const render::RenderObject& renderObject() const { return entry.object; }
    const render::Transform& getTransform() const { return entry.object.transform; }
    bool isInFrustum(const render::Frustum& frustum) const {
        return entry.object.isInFrustum(frustum);
    }
    float getMoveFactor() const { return moveFactor; }
    const render::Texture& getDudvMap() const { return *dudvMap; }
    const render::Texture& getNormalMap() const { return *normalMap; }

    // The scroll phase after a frame of deltaTime seconds.
    static float advanceMoveFactor(float moveFactor, float deltaTime);

  private:
    render::SceneEntry entry;
    std::shared_ptr<const render::Texture> dudvMap;
    std::shared_ptr<const render::Texture> normalMap;
    float moveFactor = 0.0f;
};

} // namespace brindlemox::effects
