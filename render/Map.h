#pragma once

#include "render/RenderScene.h"
#include "render/StaticMeshBody.h"
#include "render/Texture.h"

#include <memory>
#include <string>

class btRigidBody;

namespace brindlemox::render {

// The level geometry: one model drawn with SecondImage beside its own material textures,
// culled by its vertices and drawn region by region (DrawGroup::Geometry), and a static
// triangle-mesh body for everything to collide with. A model that fails to load leaves a map
// that is never drawn and has no body.
class Map {
  public:
    static constexpr const char* SecondImage = "Texture/red.bmp";

    // ownShader false: draws with program, which stays the caller's. ownShader true: the
    // light-map program from "Shader/lightMapVS.vs" and "Shader/lightMapFS.fs", program ignored;
    // when no material of the model has a specular colour, the fragment stage is
    // "Shader/lightMapMatteFS.fs", which leaves out the sheen that would be zero.
    // "textureSampler" reads unit 1 (the second texture), "lightMapTextureSampler" unit 0 (the
    // material texture).
    Map(const std::string& modelPath, ProgramRef program, bool ownShader,
        ResourceCache* cache = nullptr);
    ~Map();
    Map(const Map&) = delete;
    Map& operator=(const Map&) = delete;

    // Joins the scene.
    void show(RenderScene& scene) { entry.show(scene); }
    // Draws with another program from now on.
    void setProgram(ProgramRef program);

    const RenderObject& renderObject() const { return entry.object; }
    btRigidBody* getRigidBody() const { return physics.body.get(); }
    const Texture& getSecondTexture() const { return *entry.object.look.second; }
    const ProgramRef& getSharedProgram() const { return entry.object.program; }
    GLuint getProgram() const { return entry.object.getProgram(); }
    const Model* getModel() const { return entry.object.getModel(); }
    bool isInFrustum(const Frustum& frustum) const { return entry.object.isInFrustum(frustum); }

  private:
    SceneEntry entry;
    StaticMeshBody physics;
};

} // namespace brindlemox::render
