#pragma once

#include "render/Model.h"
#include "render/RenderObject.h"
#include "render/ShaderProgram.h"

#include <GL/glew.h>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace brindlemox::render {

// The GL state the scene passes set, remembered so that each value is set only when it changes:
// the program, the vertex array, the textures, face culling and the depth function; the
// uniforms through the program's own memory of them (ShaderProgram::set). The scene passes own one
// and make every call of their draws through it; after code that sets GL state without it (another
// pass, the HUD, the sparks), forget().
class StateTracker {
  public:
    StateTracker() { forget(); }
    // Nothing known but the defaults every draw of the game leaves (no face culling, depth test
    // GL_LESS, texture unit 0 active): the next request of each other kind is made.
    void forget();
    // Makes the unit active (unit 0 again when the passes end).
    void activateUnit(int unit);

    // program must be ready (programReady).
    void useProgram(const ProgramRef& program);
    void bindVertexArray(GLuint name);
    void bindTexture(int unit, GLuint name);
    void setCulling(bool on);
    void setDepthFunc(GLenum func);
    // On the current program: the cel shading flag, bands, clip plane, eye and the material
    // sampler.
    void setPassUniforms(const RenderState& state, int samplerUnit);
    // On the current program: the material's colours; its texture on textureUnit.
    void setMaterial(const Material& material, int textureUnit);
    void setMaterialColours(const Material& material);
    // On the current program, as uniforms ("mvp", "modelMat", "alpha"): one object's placement.
    void setPlacement(const glm::mat4& mvp, const glm::mat4& model, float alpha);
    // On the current program, by name (a location looked up once per program).
    void setInt(const std::string& name, int value);
    void setFloat(const std::string& name, float value);

  private:
    struct Held {
        ProgramRef program; // kept alive while its locations are
        GLint celShading = -1, levels = -1, plane = -1, sampler = -1, eye = -1;
        GLint mvp = -1, model = -1, alpha = -1;
        std::vector<std::pair<std::string, GLint>> named;
        MaterialLocations material;
    };
    GLint located(const std::string& name);
    static constexpr int TrackedUnits = 4;
    static constexpr GLuint Unknown = ~0u;

    std::vector<Held> programs;
    Held* current = nullptr;
    GLuint vertexArray = Unknown;
    GLuint activeUnit = Unknown;
    std::array<GLuint, TrackedUnits> textures{};
    int culling = -1; // -1 unknown
    GLenum depthFunc = 0;
};

} // namespace brindlemox::render
