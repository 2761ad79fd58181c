#include "render/LightSet.h"

#include "render/ProgramStatus.h"

#include <string>

void LightSet::upload(GLuint program) const {
    LightLocations fresh;
    upload(program, fresh);
}

void LightSet::upload(GLuint program, LightLocations& cache) const {
    const bool known = cache.filled && cache.program == program;
    // A cache is only ever filled for a program that linked; its owner clears it when its
    // program changes.
    if (!known && !programLinked(program))
        return;
    if (!known || cache.lights.size() != lights.size()) {
        cache.program = program;
        cache.count = glGetUniformLocation(program, "countLights");
        cache.lights.resize(lights.size());
        for (size_t i = 0; i < lights.size(); ++i) {
            const std::string prefix = "light[" + std::to_string(i) + "]";
            std::array<GLint, 5>& at = cache.lights[i];
            at[0] = glGetUniformLocation(program, (prefix + ".lightPosWorld").c_str());
            at[1] = glGetUniformLocation(program, (prefix + ".lightPower").c_str());
            at[2] = glGetUniformLocation(program, (prefix + ".constant").c_str());
            at[3] = glGetUniformLocation(program, (prefix + ".linear").c_str());
            at[4] = glGetUniformLocation(program, (prefix + ".quadratic").c_str());
        }
        cache.filled = true;
    }
    glUniform1i(cache.count, static_cast<GLint>(lights.size()));
    for (size_t i = 0; i < lights.size(); ++i) {
        const Light& light = lights[i];
        const std::array<GLint, 5>& at = cache.lights[i];
        glUniform3f(at[0], light.position.x, light.position.y, light.position.z);
        glUniform1f(at[1], light.power);
        glUniform1f(at[2], light.constant);
        glUniform1f(at[3], light.linear);
        glUniform1f(at[4], light.quadratic);
    }
}
