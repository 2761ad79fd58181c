#pragma once

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

namespace brindlemox::render {

// The 40-byte interleaved vertex of every model buffer.
struct Vertex {
    glm::vec3 position{0.0f};
    glm::vec2 texCoord{0.0f};
    glm::vec2 lightMapCoord{-99999.0f, -99999.0f}; // second texture set, when exactly two exist
    glm::vec3 normal{0.0f};
};
static_assert(sizeof(Vertex) == 40, "the vertex layout is shared with the shaders");

struct Triangle {
    glm::vec3 a{0.0f}, b{0.0f}, c{0.0f};
};

} // namespace brindlemox::render
