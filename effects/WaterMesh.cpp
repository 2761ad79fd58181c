#include "effects/WaterMesh.h"

#include "render/Semantics.h"
#include "render/WaterRenderTargets.h"

namespace brindlemox::effects {

using namespace render;

namespace {
// Where the look keeps the scroll phase and the two targets' images.
constexpr size_t MoveFactorValue = 0;
constexpr size_t ReflectionBound = 0;
constexpr size_t RefractionBound = 1;
} // namespace

WaterMesh::WaterMesh(const glm::vec3& position, int /*screenHeight*/, int /*screenWidth*/,
                     const Camera& /*camera*/, ResourceCache* given) {
    CacheOrOwn cache(given);
    RenderObject& object = entry.object;
    // The model before the program, as the start-up lines have always come.
    object = RenderObject(ModelFile, nullptr, &*cache);
    object.program = cache->program("Shader/WaterMeshVS.vs", "Shader/WaterMeshFS.fs");
    object.transform.position = position;
    object.group = DrawGroup::Water;
    dudvMap = cache->texture(DudvImage);
    normalMap = cache->texture(NormalImage);
    // The water is seen through its reflection, refraction and ripple maps only.
    Look& look = object.look;
    look.materialTextures = false;
    look.samplers = {{"reflectionTexture", unit::Reflection},
                     {"refractionTexture", unit::Refraction},
                     {"dudvMap", unit::Dudv},
                     {"normalMap", unit::WaterNormalMap}};
    look.textures = {{unit::Reflection, 0},
                     {unit::Refraction, 0},
                     {unit::Dudv, dudvMap->getName()},
                     {unit::WaterNormalMap, normalMap->getName()}};
    look.values = {{"moveFactor", moveFactor}};
}

void WaterMesh::setRenderTargets(const WaterRenderTargets* targets) {
    Look& look = entry.object.look;
    look.textures[ReflectionBound].texture = targets != nullptr ? targets->reflectionTexture() : 0;
    look.textures[RefractionBound].texture = targets != nullptr ? targets->refractionTexture() : 0;
    entry.changed();
}

void WaterMesh::setScale(float scale) {
    entry.object.setScale(scale);
    entry.changed();
}

float WaterMesh::advanceMoveFactor(float moveFactor, float deltaTime) {
    const float next =
        static_cast<float>(static_cast<double>(moveFactor) + static_cast<double>(deltaTime) * 0.01);
    // Starting over at exactly 0 (not the excess) is what the shader's scroll expects.
    return next >= 1.0f ? 0.0f : next;
}

void WaterMesh::update(float deltaTime) {
    moveFactor = advanceMoveFactor(moveFactor, deltaTime);
    entry.object.look.values[MoveFactorValue].value = moveFactor;
    entry.changed();
}

} // namespace brindlemox::effects
