#pragma once

#include "render/GlHandle.h"

#include <array>
#include <memory>
#include <vector>

namespace brindlemox::render {

// A program built from shader files, with whether it linked (asked of GL once, not per draw).
// Everything drawn with one set of shader files shares one of these (see ResourceCache).
struct ShaderProgram {
    gl::Program name;
    bool linked = false;
    // Whether it reads each copy's placement (mvp, modelMat, alpha) as vertex attributes
    // (attrib::InstanceMvp...), so that one instanced draw can place many copies.
    bool instanced = false;

    // The level's lights as this program holds them. A program keeps its uniform values, so a
    // set of lights is written into it once and again only when another set comes (LightSet).
    struct Lights {
        unsigned long long heldSet = 0; // the serial of the set last written; 0 for none
        GLint count = -1;
        // lightPosWorld, lightPower, constant, linear, quadratic of each light.
        std::vector<std::array<GLint, 5>> locations;
    };
    mutable Lights lights;

    GLuint get() const { return name.get(); }
    // Takes ownership of a program name the shader loader built, and asks whether it linked.
    static std::shared_ptr<const ShaderProgram> adopt(GLuint program);
};

using ProgramRef = std::shared_ptr<const ShaderProgram>;

// The name of a shared program, or 0 for none.
inline GLuint programName(const ProgramRef& program) {
    return program != nullptr ? program->get() : 0;
}
// Whether uniforms may be set and draws made with it.
inline bool programReady(const ProgramRef& program) {
    return program != nullptr && program->linked;
}

} // namespace brindlemox::render
