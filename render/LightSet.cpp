#include "render/LightSet.h"

#include "render/ProgramStatus.h"

#include <atomic>
#include <string>

namespace brindlemox::render {

namespace {
// Tells sets apart for the programs that hold them, even when one is made where another was.
std::atomic<unsigned long long> nextSerial{1};
} // namespace

LightSet::LightSet(std::vector<Light> lights) : lights(std::move(lights)), serial(nextSerial++) {}

void LightSet::locate(GLuint program, size_t count, ShaderProgram::Lights& at) {
    at.count = glGetUniformLocation(program, "countLights");
    at.locations.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const std::string prefix = "light[" + std::to_string(i) + "]";
        std::array<GLint, 5>& light = at.locations[i];
        light[0] = glGetUniformLocation(program, (prefix + ".lightPosWorld").c_str());
        light[1] = glGetUniformLocation(program, (prefix + ".lightPower").c_str());
        light[2] = glGetUniformLocation(program, (prefix + ".constant").c_str());
        light[3] = glGetUniformLocation(program, (prefix + ".linear").c_str());
        light[4] = glGetUniformLocation(program, (prefix + ".quadratic").c_str());
    }
}

void LightSet::write(const ShaderProgram::Lights& at) const {
    glUniform1i(at.count, static_cast<GLint>(lights.size()));
    for (size_t i = 0; i < lights.size(); ++i) {
        const Light& light = lights[i];
        const std::array<GLint, 5>& location = at.locations[i];
        glUniform3f(location[0], light.position.x, light.position.y, light.position.z);
        glUniform1f(location[1], light.power);
        glUniform1f(location[2], light.constant);
        glUniform1f(location[3], light.linear);
        glUniform1f(location[4], light.quadratic);
    }
}

void LightSet::upload(GLuint program) const {
    if (!programLinked(program))
        return;
    ShaderProgram::Lights at;
    locate(program, lights.size(), at);
    write(at);
}

void LightSet::uploadTo(const ShaderProgram& program) const {
    if (!program.linked || program.lights.heldSet == serial)
        return;
    ShaderProgram::Lights& at = program.lights;
    if (at.heldSet == 0 || at.locations.size() < lights.size())
        locate(program.get(), lights.size(), at);
    write(at);
    at.heldSet = serial;
    ++given;
}

} // namespace brindlemox::render
