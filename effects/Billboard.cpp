#include "effects/Billboard.h"

#include "render/ProgramStatus.h"
#include "render/Semantics.h"

#include <glm/gtc/type_ptr.hpp>

namespace brindlemox::effects {

using namespace render;

Billboard::Billboard(ResourceCache* cache)
    : program(CacheOrOwn(cache)->program(ProgramFiles{{{"Shader/billboardVS.vs", VertexStage},
                                                       {"Shader/billboardGS.gs", GeometryStage},
                                                       {"Shader/billboardFS.fs", FragmentStage}},
                                                      {}})) {
    // A program that failed to build has no uniforms; its locations stay -1.
    if (!programReady(program))
        return;
    viewProjectionLocation = glGetUniformLocation(getProgram(), "viewProjectionMatrix");
    cameraPosLocation = glGetUniformLocation(getProgram(), "cameraPos");
    sizeLocation = glGetUniformLocation(getProgram(), "size");
    samplerLocation = glGetUniformLocation(getProgram(), "textureSampler");
}

void Billboard::useProgram() const {
    if (programReady(program))
        glUseProgram(program->get());
}

void Billboard::uploadBillboardUniforms(const glm::mat4& viewProjection, const glm::vec3& cameraPos,
                                        float size) {
    if (!programReady(program))
        return;
    program->set(viewProjectionLocation, viewProjection);
    program->set(cameraPosLocation, cameraPos);
    program->set(sizeLocation, size);
    program->set(samplerLocation, GLint{unit::Sprite});
}

} // namespace brindlemox::effects
