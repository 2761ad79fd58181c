#include "render/LightSet.h"

#include "render/ProgramStatus.h"

#include <string>

void LightSet::upload(GLuint program) const {
    if (!programLinked(program))
        return;
    glUniform1i(glGetUniformLocation(program, "countLights"), static_cast<GLint>(lights.size()));
    // Looked up by name on every call: the same set serves every program of the level.
    for (size_t i = 0; i < lights.size(); ++i) {
        const Light& light = lights[i];
        const std::string prefix = "light[" + std::to_string(i) + "]";
        glUniform3f(glGetUniformLocation(program, (prefix + ".lightPosWorld").c_str()),
                    light.position.x, light.position.y, light.position.z);
        glUniform1f(glGetUniformLocation(program, (prefix + ".lightPower").c_str()), light.power);
        glUniform1f(glGetUniformLocation(program, (prefix + ".constant").c_str()), light.constant);
        glUniform1f(glGetUniformLocation(program, (prefix + ".linear").c_str()), light.linear);
        glUniform1f(glGetUniformLocation(program, (prefix + ".quadratic").c_str()),
                    light.quadratic);
    }
}
