#include "effects/WaterMesh.h"

#include "app/Camera.h"
#include "effects/WaterRenderTargets.h"
#include "render/ProgramStatus.h"
#include "render/Semantics.h"
#include "render/ShaderLoader.h"

#include <glm/gtc/type_ptr.hpp>

WaterMesh::WaterMesh(const glm::vec3& position, int /*screenHeight*/, int /*screenWidth*/,
                     const Camera& camera)
    : Drawable("Obj/plane.obj"), camera(camera) {
    ShaderLoader loader;
    setProgram(loader.loadShaders("Shader/WaterMeshVS.vs", "Shader/WaterMeshFS.fs"), true);
    WaterMesh::lookUpUniforms();
    transform.position = position;
    dudvMap = std::make_unique<Texture>("Texture/waterDUDV.png");
    normalMap = std::make_unique<Texture>("Texture/normalMap.png");
}

WaterMesh::~WaterMesh() {
    WaterMesh::release();
}

void WaterMesh::lookUpUniforms() {
    // A program that failed to build has no uniforms; its locations stay -1.
    if (!programLinked(program))
        return;
    modelMatLocation = glGetUniformLocation(program, "modelMat");
    mvpLocation = glGetUniformLocation(program, "mvp");
    textureSamplerLocation = glGetUniformLocation(program, "textureSampler");
    alphaLocation = glGetUniformLocation(program, "alpha");
    planeLocation = glGetUniformLocation(program, "plane");
    reflectionLocation = glGetUniformLocation(program, "reflectionTexture");
    refractionLocation = glGetUniformLocation(program, "refractionTexture");
    dudvLocation = glGetUniformLocation(program, "dudvMap");
    normalMapLocation = glGetUniformLocation(program, "normalMap");
    moveFactorLocation = glGetUniformLocation(program, "moveFactor");
    cameraPosLocation = glGetUniformLocation(program, "cameraPos");
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
    if (!programLinked(program))
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
