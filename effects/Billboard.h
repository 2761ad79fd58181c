#pragma once

#include "render/ResourceCache.h"
#include "render/ShaderProgram.h"

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <memory>

namespace brindlemox::effects {

// The program that expands points (position at location 0) into camera-facing textured quads.
// Has no model or geometry of its own: the particle system binds its buffer and sprite and uses
// the billboard for the program and its four uniforms. Shares its program.
class Billboard {
  public:
    // Builds the program from Shader/billboardVS.vs, billboardGS.gs and billboardFS.fs.
    // The program comes from cache (a private one when none is given).
    explicit Billboard(render::ResourceCache* cache = nullptr);

    // Makes the program current; one that failed to build is skipped.
    void useProgram() const;
    // With the program current: "viewProjectionMatrix", "cameraPos", "size" and
    // "textureSampler" = 0, in that order.
    void uploadBillboardUniforms(const glm::mat4& viewProjection, const glm::vec3& cameraPos,
                                 float size);

    // Lets go of the program (shared with the other billboards).
    void release() { program.reset(); }

    GLuint getProgram() const { return render::programName(program); }
    const render::ProgramRef& getSharedProgram() const { return program; }

  private:
    render::ProgramRef program;
    GLint viewProjectionLocation = -1;
    GLint cameraPosLocation = -1;
    GLint sizeLocation = -1;
    GLint samplerLocation = -1;
};

} // namespace brindlemox::effects
