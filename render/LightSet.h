#pragma once

#include "render/ShaderProgram.h"

#include <GL/glew.h>
#include <glm/vec3.hpp>

#include <array>
#include <utility>
#include <vector>

namespace brindlemox::render {

// One point light of a level. The attenuation terms are the same for every light.
struct Light {
    glm::vec3 position{0.0f};
    float power = 0.0f;
    float constant = 1.0f;
    float linear = 0.35f;
    float quadratic = 0.44f;

    Light(glm::vec3 lightPosition, float lightPower) : position(lightPosition), power(lightPower) {}
};

// A level's fixed lights. They never change once made, so each program that draws with them is
// given them once (uploadTo), not at every draw.
class LightSet {
  public:
    explicit LightSet(std::vector<Light> lights);

    // Sets "countLights" and light[i].lightPosWorld / .lightPower / .constant / .linear /
    // .quadratic on program, which must be in use. Names the program lacks are ignored.
    void upload(GLuint program) const;
    // The same, unless program holds these lights already; the uniform locations are looked up
    // once per program. program must be in use; one that did not link is left alone.
    void uploadTo(const ShaderProgram& program) const;
    const std::vector<Light>& getLights() const { return lights; }
    // How many times uploadTo wrote the lights: once per program, at its first draw here.
    long programsGiven() const { return given; }

  private:
    void write(const ShaderProgram::Lights& at) const;
    static void locate(GLuint program, size_t count, ShaderProgram::Lights& at);

    std::vector<Light> lights;
    unsigned long long serial;
    mutable long given = 0;
};

} // namespace brindlemox::render
