#pragma once

#include "render/Model.h"
#include "render/RenderObject.h"
#include "render/RenderScene.h"
#include "render/StateTracker.h"

#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <unordered_map>
#include <vector>

namespace brindlemox::render {

class Camera;
class Frustum;
class LightSet;
class WaterRenderTargets;

// The passes that draw a RenderScene, in their order: while the water (the scene's first object
// of DrawGroup::Water) is in view, the reflection (the scene mirrored about the water's surface,
// clipped above it) and the refraction (clipped below it) into the water's targets; then the
// main pass on the window's framebuffer, and the objects' overlays (the walls' sparks). Each pass
// draws the opaque objects first (the water among them), then the level geometry, then what
// blends, so that the depth test spares the shading of hidden pixels and the picture is the one
// the scene's order gives. Every draw goes through one path and the pass's StateTracker.
class ScenePasses {
  public:
    struct Settings {
        bool celShading = false;
        int levels = 0; // cel-shading bands
        bool drawInactive = false;
        // Every object in every pass, the water passes whether or not the water is in view,
        // the overlays' programs once each (Level::warmUp).
        bool warmUp = false;
        // The overlays drawn after the main pass (the walls' sparks, the physics shapes).
        bool overlays = true;
    };

    enum Pass { Reflection, Refraction, Main, PassCount };
    // The copies of one model a pass drew with one instanced draw per mesh.
    struct Batch {
        ProgramRef program;
        const Model* model = nullptr;
        bool cull = false;
        std::vector<Instance> instances;
        // Opaque batches: a hash of each copy's bytes, with the copies that have it.
        std::unordered_multimap<size_t, size_t> placed;
    };

    // Told around each draw, of an object or of a batch (a tool measuring which program shades
    // most pixels, or what the draws cost).
    class DrawWatcher {
      public:
        virtual ~DrawWatcher() = default;
        virtual void beforeDraw(GLuint program) = 0;
        // batch: the copies of a model drawn together.
        virtual void afterDraw(GLuint program, bool batch) = 0;
    };

    explicit ScenePasses(WaterRenderTargets& targets) : targets(&targets) {}
    // Without water targets: only drawAlone.
    ScenePasses() = default;

    // Null for none (the game's own frames).
    void setDrawWatcher(DrawWatcher* watcher) { drawWatcher = watcher; }

    // Leaves the window's framebuffer bound with depth testing on, for the HUD.
    void render(const RenderScene& scene, const Camera& camera, const Settings& settings);
    // One object through the passes' draw path, as a pass draws it but leaving culling and the
    // depth function as they are, then no vertex array bound (tests and tools).
    void drawAlone(const RenderObject& object, const RenderState& state, const Frustum& frustum,
                   const LightSet* lights = nullptr);
    // How many water passes (reflection, refraction) have been drawn.
    long waterPasses() const { return waterPassCount; }
    // What each pass of the last frame drew as copies, with its values.
    struct Record {
        bool ran = false;
        RenderState state;
        std::vector<Batch> batches;
    };
    const Record& lastPass(Pass pass) const { return records[pass]; }

  private:
    // One step of a pass: an object drawn on its own, or a batch of copies.
    struct Item {
        const RenderObject* single = nullptr;
        size_t batch = 0;
    };

    RenderState passState(const glm::mat4& viewProjection, const glm::vec4& clipPlane) const;
    void drawObject(const RenderObject& object, const RenderState& state, const Frustum& frustum,
                    bool clipped);
    // The object's placement, pass uniforms and look, on its program made current.
    void setUp(const RenderObject& object, const RenderState& state, bool placed);
    // Each mesh with its material (or the look's textures), the map region by region.
    void drawMeshes(const RenderObject& object, const Frustum& frustum);
    void bindMaterial(const Model& model, const Mesh& mesh, const Look& look);
    void drawBatch(const Batch& batch, const RenderState& state);
    // Whether the object may be drawn among the copies of its model.
    static bool instanceable(const RenderObject& object);
    // Collects drawOrder[first, last) into items: instanceable objects in the frustum join the
    // batch of their model and culling (anywhere among the items when anyOrder, else only the
    // batch just before them), the others are drawn on their own.
    void collect(Pass pass, size_t first, size_t last, const RenderState& state,
                 const Frustum& frustum, bool clipped, bool anyOrder);
    void drawItems(Pass pass, const RenderState& state, const Frustum& frustum, bool clipped);
    void drawPass(Pass pass, const RenderState& state, const Frustum& frustum, bool clipped);
    void renderWaterPass(Pass pass, const glm::mat4& viewProjection, const glm::vec4& clipPlane,
                         const Frustum& frustum);
    void renderMain(const Frustum& frustum);
    // Fills drawOrder with what a pass draws, in the order it draws it.
    void orderForDrawing(bool mainPass);
    // Whether the faces of the object, placed by m, may be culled in this pass.
    bool culls(const RenderObject& object, const glm::mat4& m, bool clipped) const;

    WaterRenderTargets* targets = nullptr;
    const RenderScene* scene = nullptr;
    const Camera* camera = nullptr;
    Settings settings;
    std::vector<const RenderObject*> drawOrder;
    RegionDraw regions;
    // drawOrder: [0, opaqueEnd) opaque objects, then the map up to mapEnd, then what blends.
    size_t opaqueEnd = 0;
    size_t mapEnd = 0;
    std::vector<Item> items;
    std::array<Record, PassCount> records;
    StateTracker tracker;
    DrawWatcher* drawWatcher = nullptr;
    long waterPassCount = 0;
};

} // namespace brindlemox::render
