#pragma once

#include "render/Drawable.h"

#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include <vector>

class Camera;
class Frustum;
class LightSet;
class VulnerableWall;
class WaterMesh;
class WaterRenderTargets;

// The passes that draw a level's scene, in their order: while the water is in view, the
// reflection (the scene mirrored about the water's surface, clipped above it) and the refraction
// (clipped below it) into the water's targets; then the main pass on the window's framebuffer,
// and the walls' sparks. Each pass draws the opaque objects first (the water among them), then
// the level geometry, then what blends, so that the depth test spares the shading of hidden
// pixels and the picture is the one the list order gives.
class ScenePasses {
  public:
    // What the passes draw. The drawables in the level's order; map and water are among them.
    struct Scene {
        const std::vector<Drawable*>* drawables = nullptr;
        const Drawable* map = nullptr;
        WaterMesh* water = nullptr;
        float waterHeight = 0.0f;
        const std::vector<VulnerableWall*>* walls = nullptr;
        const LightSet* lights = nullptr;
    };
    struct Settings {
        bool celShading = false;
        int levels = 0; // cel-shading bands
        bool drawInactive = false;
        // Every object in every pass, the water passes whether or not the water is in view,
        // the sparks' programs once each (Level::warmUp).
        bool warmUp = false;
    };

    explicit ScenePasses(WaterRenderTargets& targets) : targets(targets) {}

    // Leaves the window's framebuffer bound with depth testing on, for the HUD.
    void render(const Scene& scene, const Camera& camera, const Settings& settings);
    // How many water passes (reflection, refraction) have been drawn.
    long waterPasses() const { return waterPassCount; }

  private:
    RenderState passState(const glm::mat4& viewProjection, const glm::vec4& clipPlane) const;
    void drawObject(Drawable& drawable, const RenderState& state, const Frustum& frustum,
                    bool clipped);
    void renderWaterPass(const glm::mat4& viewProjection, const glm::vec4& clipPlane,
                         const Frustum& frustum);
    void renderMain(const Frustum& frustum);
    // Fills drawOrder with what a pass draws, in the order it draws it.
    void orderForDrawing(bool mainPass);

    WaterRenderTargets& targets;
    const Scene* scene = nullptr;
    const Camera* camera = nullptr;
    Settings settings;
    std::vector<Drawable*> drawOrder;
    long waterPassCount = 0;
};
