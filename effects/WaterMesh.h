#pragma once

#include "render/Drawable.h"
#include "render/Texture.h"

#include <glm/vec3.hpp>

#include <memory>

class Camera;
class WaterRenderTargets;

// The water surface: the model ModelFile drawn with the reflection and refraction images of the
// level's render targets, distorted by a scrolling DUDV map and lit through a normal map.
// Texture units: 0 reflection, 1 refraction, 2 DUDV, 3 normal map. Owns its program and its two
// textures; the camera and render targets are lent by the level and must outlive it.
class WaterMesh : public Drawable {
  public:
    static constexpr const char* ModelFile = "Obj/plane.obj";
    static constexpr const char* DudvImage = "Texture/waterDUDV.png";
    static constexpr const char* NormalImage = "Texture/normalMap.png";

    // screenHeight and screenWidth are accepted for the level's convenience and not used.
    WaterMesh(const glm::vec3& position, int screenHeight, int screenWidth, const Camera& camera,
              ResourceCache* cache = nullptr);
    ~WaterMesh() override;

    // Must be called before the first uploadUniforms; without targets units 0 and 1 are left
    // empty.
    void setRenderTargets(const WaterRenderTargets* targets) { renderTargets = targets; }

    bool isActive() override { return true; }
    // Advances the scroll phase by deltaTime / 100, back to exactly 0 at 1.
    void update(float deltaTime) override;
    // mvp, modelMat, alpha, plane, the four sampler units, moveFactor, cameraPos; then binds the
    // four textures to units 0..3 (unit 3 is left active).
    void uploadUniforms(const RenderState& state) override;
    bool isWater() override { return true; }
    // The water is seen through its reflection, refraction and ripple maps only.
    bool drawsMaterialTextures() const override { return false; }
    void release() override;
    void lookUpUniforms() override;

    float getMoveFactor() const { return moveFactor; }
    const Texture& getDudvMap() const { return *dudvMap; }
    const Texture& getNormalMap() const { return *normalMap; }

    // The scroll phase after a frame of deltaTime seconds.
    static float advanceMoveFactor(float moveFactor, float deltaTime);

  private:
    const Camera& camera;
    const WaterRenderTargets* renderTargets = nullptr;
    std::shared_ptr<const Texture> dudvMap;
    std::shared_ptr<const Texture> normalMap;
    GLint reflectionLocation = -1;
    GLint refractionLocation = -1;
    GLint dudvLocation = -1;
    GLint normalMapLocation = -1;
    GLint moveFactorLocation = -1;
    GLint cameraPosLocation = -1;
    float moveFactor = 0.0f;
};
