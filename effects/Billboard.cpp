#include "effects/Billboard.h"

#include "render/ProgramStatus.h"
#include "render/Semantics.h"

#include <glm/gtc/type_ptr.hpp>

Billboard::Billboard() : loader(std::make_unique<ShaderLoader>()) {
    loader->createProgram();
    loader->addShader("Shader/billboardVS.vs", VertexStage);
    loader->addShader("Shader/billboardGS.gs", GeometryStage);
    loader->addShader("Shader/billboardFS.fs", FragmentStage);
    loader->linkProgram();
    setProgram(loader->getProgram(), true);
    // A program that failed to build has no uniforms; its locations stay -1.
    if (!programLinked(program))
        return;
    viewProjectionLocation = glGetUniformLocation(program, "viewProjectionMatrix");
    cameraPosLocation = glGetUniformLocation(program, "cameraPos");
    sizeLocation = glGetUniformLocation(program, "size");
    samplerLocation = glGetUniformLocation(program, "textureSampler");
}

Billboard::~Billboard() {
    Billboard::release();
}

void Billboard::release() {
    Drawable::release();
    loader.reset();
}

void Billboard::uploadBillboardUniforms(const glm::mat4& viewProjection, const glm::vec3& cameraPos,
                                        float size) {
    if (!programLinked(program))
        return;
    glUniformMatrix4fv(viewProjectionLocation, 1, GL_FALSE, glm::value_ptr(viewProjection));
    glUniform3f(cameraPosLocation, cameraPos.x, cameraPos.y, cameraPos.z);
    glUniform1f(sizeLocation, size);
    glUniform1i(samplerLocation, unit::Sprite);
}
