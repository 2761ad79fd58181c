#pragma once

#include "render/Drawable.h"
#include "render/StaticMeshBody.h"
#include "render/Texture.h"

#include <memory>
#include <string>

// The level geometry: one model drawn with SecondImage beside its own material textures,
// culled by its vertices, and a static triangle-mesh body for everything to collide with.
// A model that fails to load leaves a map that is never drawn and has no body.
class Map : public Drawable {
  public:
    static constexpr const char* SecondImage = "Texture/red.bmp";

    // ownShader false: draws with program, which stays the caller's. ownShader true: builds and
    // owns the light-map program from "Shader/lightMapVS.vs" and "Shader/lightMapFS.fs" and
    // ignores program; when no material of the model has a specular colour, the fragment stage
    // is "Shader/lightMapMatteFS.fs", which leaves out the sheen that would be zero.
    Map(const std::string& modelPath, ProgramRef program, bool ownShader,
        ResourceCache* cache = nullptr);
    ~Map() override;

    void initPhysics() override;
    bool isActive() override { return true; }
    void update(float) override {}
    // Like the base upload without "plane"; "textureSampler" is unit 1 (the second texture),
    // "lightMapTextureSampler" unit 0 (the material texture).
    void uploadUniforms(const RenderState& state) override;
    void draw(const Frustum& frustum) override;
    void release() override;
    void lookUpUniforms() override;
    bool usesMeshCulling() override { return true; }

    const Texture& getSecondTexture() const { return *secondTexture; }

  private:
    std::shared_ptr<const Texture> secondTexture;
    GLint lightMapSamplerLocation = -1;
    int modelTextureUnit = 0;
    int secondTextureUnit = 1;
    StaticMeshBody physics;
};
