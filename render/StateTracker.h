#pragma once

#include "render/Drawable.h"
#include "render/Model.h"
#include "render/ShaderProgram.h"

#include <GL/glew.h>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <vector>

// The GL state the scene passes set, remembered so that each value is set only when it changes:
// the program, the vertex array, the textures, face culling, the depth function and, per
// program, the pass's uniforms and the material colours. Whoever draws owns one (the scene
// passes); after code that sets GL state without it, forgetBindings() or forget().
class StateTracker {
  public:
    StateTracker() { forget(); }
    // Nothing known: the next request of each kind is made.
    void forget();
    // Programs, vertex arrays, textures and uniform values unknown; culling and depth kept.
    void forgetBindings();

    // program must be ready (programReady).
    void useProgram(const ProgramRef& program);
    void bindVertexArray(GLuint name);
    void bindTexture(int unit, GLuint name);
    void setCulling(bool on);
    void setDepthFunc(GLenum func);
    // On the current program: the cel shading flag, bands, clip plane and the material sampler.
    void setPassUniforms(const RenderState& state, int samplerUnit);
    // On the current program: the material's colours; its texture on textureUnit.
    void setMaterial(const Material& material, int textureUnit);

  private:
    struct Held {
        ProgramRef program; // kept alive while its locations are
        GLint celShading = -1, levels = -1, plane = -1, sampler = -1;
        MaterialLocations material;
        bool passKnown = false;
        bool celShadingValue = false;
        int levelsValue = 0;
        glm::vec4 planeValue{0.0f};
        int samplerValue = 0;
        bool materialKnown = false;
        glm::vec3 ambient{0.0f}, diffuse{0.0f}, specular{0.0f};
    };
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
