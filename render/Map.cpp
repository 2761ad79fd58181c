#include "render/Map.h"

#include "platform/Printable.h"
#include "render/ProgramStatus.h"
#include "render/Semantics.h"
#include "render/ShaderLoader.h"

#include <cstdio>

namespace {

// True when every mesh is drawn with a material that has no specular colour: the light-map
// shader's sheen from the live lights would be multiplied by zero on every pixel.
bool withoutSheen(const Model* model) {
    if (model == nullptr || model->isEmpty())
        return false;
    const auto& materials = model->getMaterials();
    for (size_t i = 0; i < model->getMeshCount(); ++i) {
        const unsigned m = model->getMesh(i).materialIndex;
        if (m >= materials.size() || materials[m] == nullptr ||
            materials[m]->specular != glm::vec3(0.0f))
            return false;
    }
    return true;
}

// A level map is textured all over: a part without a texture would draw black. One line names
// the model and the material (the importer gives no texture for a map_Kd it cannot take).
void reportUntexturedParts(const std::string& path, const Model* model) {
    if (model == nullptr || model->isEmpty() || model->areMaterialsReported())
        return;
    const auto& materials = model->getMaterials();
    for (size_t i = 0; i < model->getMeshCount(); ++i) {
        const unsigned m = model->getMesh(i).materialIndex;
        if (m < materials.size() && materials[m] != nullptr)
            continue;
        std::printf("%s: a material of the level map names no texture the game can take; that "
                    "part is drawn black\n",
                    printable(path).c_str());
        return;
    }
}

} // namespace

Map::Map(const std::string& modelPath, ProgramRef sharedProgram, bool ownShader,
         ResourceCache* given)
    : Drawable(modelPath, given) {
    reportUntexturedParts(modelPath, getModel());
    CacheOrOwn cache(given);
    secondTexture = cache->texture(SecondImage);
    // A matte map skips the sheen's eight lights per pixel: the same picture for far less work.
    if (ownShader)
        setProgram(cache->program("Shader/lightMapVS.vs", withoutSheen(getModel())
                                                              ? "Shader/lightMapMatteFS.fs"
                                                              : "Shader/lightMapFS.fs"));
    else
        setProgram(std::move(sharedProgram));
    modelTextureUnit = unit::Material;
    secondTextureUnit = unit::SecondTexture;
    Map::lookUpUniforms();
    Map::initPhysics();
}

Map::~Map() {
    // The body is taken out of the world by the level before the map goes.
    rigidBody = nullptr;
}

void Map::initPhysics() {
    physics = StaticMeshBody::build(getTriangles(), getModelMatrix());
    rigidBody = physics.body.get();
}

void Map::uploadUniforms(const RenderState& state) {
    if (!programReady(program))
        return;
    const glm::mat4& m = getModelMatrix();
    uploadPlacement(state.viewProjection * m, m);
    glUniform1i(celShadingLocation, state.celShading ? 1 : 0);
    glUniform1i(levelsLocation, state.levels);
    glUniform1i(textureSamplerLocation, secondTextureUnit);
    glUniform1i(lightMapSamplerLocation, modelTextureUnit);
    // The water passes clip the level geometry too; without its plane the mirrored map would
    // show what lies below the surface in the reflection.
    glUniform4f(planeLocation, state.clipPlane.x, state.clipPlane.y, state.clipPlane.z,
                state.clipPlane.w);
}

void Map::draw(const Frustum& frustum) {
    if (model != nullptr && isInFrustum(frustum) && programReady(program))
        model->drawNearestFirst(materialLocations(), modelTextureUnit, secondTexture.get(),
                                secondTextureUnit, getModelMatrix(), frustum);
}

void Map::release() {
    releaseProgram();
}

void Map::lookUpUniforms() {
    if (!programReady(program)) {
        planeLocation = -1;
        mvpLocation = lightMapSamplerLocation = textureSamplerLocation = modelMatLocation = -1;
        alphaLocation = celShadingLocation = levelsLocation = -1;
        return;
    }
    mvpLocation = glGetUniformLocation(getProgram(), "mvp");
    lightMapSamplerLocation = glGetUniformLocation(getProgram(), "lightMapTextureSampler");
    textureSamplerLocation = glGetUniformLocation(getProgram(), "textureSampler");
    modelMatLocation = glGetUniformLocation(getProgram(), "modelMat");
    alphaLocation = glGetUniformLocation(getProgram(), "alpha");
    celShadingLocation = glGetUniformLocation(getProgram(), "isCelShading");
    levelsLocation = glGetUniformLocation(getProgram(), "levels");
    planeLocation = glGetUniformLocation(getProgram(), "plane");
}
