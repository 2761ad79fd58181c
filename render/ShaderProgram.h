#pragma once

#include "render/GlHandle.h"

#include <glm/gtc/type_ptr.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <cstdint>
#include <cstring>
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

    // With this program current, a uniform's value: sent only when the location exists and the
    // program does not already hold that value. Every write of a shared program's uniforms goes
    // through these, so what they remember stays true.
    void set(GLint location, GLint value) const {
        if (changes(location, &value, 1))
            glUniform1i(location, value);
    }
    void set(GLint location, float value) const {
        if (changes(location, &value, 1))
            glUniform1f(location, value);
    }
    void set(GLint location, const glm::vec2& value) const {
        if (changes(location, glm::value_ptr(value), 2))
            glUniform2fv(location, 1, glm::value_ptr(value));
    }
    void set(GLint location, const glm::vec3& value) const {
        if (changes(location, glm::value_ptr(value), 3))
            glUniform3fv(location, 1, glm::value_ptr(value));
    }
    void set(GLint location, const glm::vec4& value) const {
        if (changes(location, glm::value_ptr(value), 4))
            glUniform4fv(location, 1, glm::value_ptr(value));
    }
    void set(GLint location, const glm::mat4& value) const {
        if (changes(location, glm::value_ptr(value), 16))
            glUniformMatrix4fv(location, 1, GL_FALSE, glm::value_ptr(value));
    }

    GLuint get() const { return name.get(); }
    // Takes ownership of a program name the shader loader built, and asks whether it linked.
    static std::shared_ptr<const ShaderProgram> adopt(GLuint program);

  private:
    // The bits each location was last given (a new program's values are not known).
    struct Held {
        unsigned words = 0;
        std::array<std::uint32_t, 16> bits{};
    };
    mutable std::vector<Held> held;
    // Whether location must be written to hold the words at data; remembers them.
    bool changes(GLint location, const void* data, unsigned words) const {
        if (location < 0)
            return false;
        if (location >= 4096)
            return true;
        const auto at = static_cast<size_t>(location);
        if (at >= held.size())
            held.resize(at + 1);
        Held& value = held[at];
        if (value.words == words && std::memcmp(value.bits.data(), data, words * 4) == 0)
            return false;
        value.words = words;
        std::memcpy(value.bits.data(), data, words * 4);
        return true;
    }
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
