#pragma once

#include <GL/glew.h>
#include <glm/vec3.hpp>

#include <array>
#include <utility>
#include <vector>

// One point light of a level. The attenuation terms are the same for every light.
struct Light {
    glm::vec3 position{0.0f};
    float power = 0.0f;
    float constant = 1.0f;
    float linear = 0.35f;
    float quadratic = 0.44f;

    Light(glm::vec3 lightPosition, float lightPower) : position(lightPosition), power(lightPower) {}
};

// Where one program keeps the light uniforms. Filled by the first upload to that program and
// reused while the program stays the same; its owner clears it when the program changes.
struct LightLocations {
    GLuint program = 0;
    bool filled = false;
    GLint count = -1;
    // lightPosWorld, lightPower, constant, linear, quadratic of each light.
    std::vector<std::array<GLint, 5>> lights;

    void clear() { filled = false; }
};

// The level's fixed lights, written into whichever program draws the next object.
class LightSet {
  public:
    explicit LightSet(std::vector<Light> lights) : lights(std::move(lights)) {}

    // Sets "countLights" and light[i].lightPosWorld / .lightPower / .constant / .linear /
    // .quadratic on program, which must be in use. Names the program lacks are ignored.
    void upload(GLuint program) const;
    // The same values to the same uniforms, with the locations kept in cache: the names are
    // looked up only when the cache is empty or was filled for another program.
    void upload(GLuint program, LightLocations& cache) const;
    const std::vector<Light>& getLights() const { return lights; }

  private:
    std::vector<Light> lights;
};
