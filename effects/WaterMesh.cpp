#include "effects/WaterMesh.h"

#include "effects/WaterRenderTargets.h"
#include "render/Camera.h"
#include "render/ProgramStatus.h"
#include "render/Semantics.h"
#include "render/ShaderLoader.h"

#include <glm/gtc/type_ptr.hpp>

WaterMesh::WaterMesh(const glm::vec3& position, int /*screenHeight*/, int /*screenWidth*/,
                     const Camera& camera, ResourceCache* given)
    : Drawable(ModelFile, given), camera(camera) {
    CacheOrOwn cache(given);
    setProgram(cache->program("Shader/WaterMeshVS.vs", "Shader/WaterMeshFS.fs"));
    WaterMesh::lookUpUniforms();
    transform.position = position;
    dudvMap = cache->texture(DudvImage);
    normalMap = cache->texture(NormalImage);
}

WaterMesh::~WaterMesh() {
    WaterMesh::release();
}

void WaterMesh::lookUpUniforms() {
    // A program that failed to build has no uniforms; its locations stay -1.
    if (!programReady(program))
        return;
    modelMatLocation = glGetUniformLocation(getProgram(), "modelMat");
    mvpLocation = glGetUniformLocation(getProgram(), "mvp");
    textureSamplerLocation = glGetUniformLocation(getProgram(), "textureSampler");
    alphaLocation = glGetUniformLocation(getProgram(), "alpha");
    planeLocation = glGetUniformLocation(getProgram(), "plane");
    reflectionLocation = glGetUniformLocation(getProgram(), "reflectionTexture");
    refractionLocation = glGetUniformLocation(getProgram(), "refractionTexture");
    dudvLocation = glGetUniformLocation(getProgram(), "dudvMap");
    normalMapLocation = glGetUniformLocation(getProgram(), "normalMap");
    moveFactorLocation = glGetUniformLocation(getProgram(), "moveFactor");
    cameraPosLocation = glGetUniformLocation(getProgram(), "cameraPos");
}

float WaterMesh::advanceMoveFactor(float moveFactor, float deltaTime) {
    const float next =
        static_cast<float>(static_cast<double>(moveFactor) + static_cast<double>(deltaTime) * 0.01);
    // Starting over at exactly 0 (not the excess) is what the shader's scroll expects.
    return next >= 1.0f ? 0.0f : next;
}

void WaterMesh::update(float deltaTime) {
    moveFactor = advanceMoveFactor(moveFactor, deltaTime);
}

void WaterMesh::uploadUniforms(const RenderState& state) {
    // useProgram skipped a program that failed to build; another one (or none) is current.
    if (!programReady(program))
        return;
    const glm::mat4 model = transform.modelMatrix();
    const glm::mat4 mvp = state.viewProjection * model;
    const glm::vec3 eye = camera.getPosition();
    glUniformMatrix4fv(mvpLocation, 1, GL_FALSE, glm::value_ptr(mvp));
    glUniformMatrix4fv(modelMatLocation, 1, GL_FALSE, glm::value_ptr(model));
    glUniform1f(alphaLocation, alpha);
    glUniform4f(planeLocation, state.clipPlane.x, state.clipPlane.y, state.clipPlane.z,
                state.clipPlane.w);
    glUniform1i(reflectionLocation, unit::Reflection);
    glUniform1i(refractionLocation, unit::Refraction);
    glUniform1i(dudvLocation, unit::Dudv);
    glUniform1i(normalMapLocation, unit::WaterNormalMap);
    glUniform1f(moveFactorLocation, moveFactor);
    glUniform3f(cameraPosLocation, eye.x, eye.y, eye.z);

    glActiveTexture(GL_TEXTURE0 + unit::Reflection);
    glBindTexture(GL_TEXTURE_2D, renderTargets != nullptr ? renderTargets->reflectionTexture() : 0);
    glActiveTexture(GL_TEXTURE0 + unit::Refraction);
    glBindTexture(GL_TEXTURE_2D, renderTargets != nullptr ? renderTargets->refractionTexture() : 0);
    dudvMap->bind(unit::Dudv);
    normalMap->bind(unit::WaterNormalMap);
}

void WaterMesh::release() {
    Drawable::release();
    dudvMap.reset();
    normalMap.reset();
}
