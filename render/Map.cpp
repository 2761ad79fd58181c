#include "render/Map.h"
#include "platform/Report.h"

#include "platform/Printable.h"
#include "render/Semantics.h"

#include <cstdio>

namespace brindlemox::render {

using namespace platform;

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
        report(Severity::Warning, path +
                                      ": a material of the level map names no texture the game can "
                                      "take; that part is drawn black");
        return;
    }
}

} // namespace

Map::Map(const std::string& modelPath, ProgramRef sharedProgram, bool ownShader,
         ResourceCache* given) {
    CacheOrOwn cache(given);
    RenderObject& object = entry.object;
    object = RenderObject(modelPath, nullptr, &*cache);
    reportUntexturedParts(modelPath, object.getModel());
    Look& look = object.look;
    look.second = cache->texture(SecondImage);
    // A matte map skips the sheen's eight lights per pixel: the same picture for far less work.
    if (ownShader)
        object.program = cache->program("Shader/lightMapVS.vs", withoutSheen(object.getModel())
                                                                    ? "Shader/lightMapMatteFS.fs"
                                                                    : "Shader/lightMapFS.fs");
    else
        object.program = std::move(sharedProgram);
    object.group = DrawGroup::Geometry;
    look.samplerUnit = unit::SecondTexture;
    look.samplers = {{"lightMapTextureSampler", unit::Material}};
    look.byRegions = true;
    physics = StaticMeshBody::build(object.getTriangles(), object.getModelMatrix());
}

// The body is taken out of the world by the level before the map goes.
Map::~Map() = default;

void Map::setProgram(ProgramRef program) {
    entry.object.program = std::move(program);
    entry.changed();
}

} // namespace brindlemox::render
