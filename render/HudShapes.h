#pragma once

#include "render/GlHandle.h"
#include "render/ResourceCache.h"

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>

#include <array>
#include <vector>

namespace brindlemox::render {

// Flat HUD shapes (the health bar, the hurt flash): quads with a colour at each corner, blended
// over the picture without the depth test, through the program of "Shader/hudShapeVS.vs" and
// "Shader/hudShapeFS.fs". Owns its buffer and vertex array; a program that failed to build draws
// nothing.
class HudShapes {
  public:
    struct Corner {
        glm::vec2 position{0.0f};
        glm::vec4 colour{0.0f};
    };
    // Corners in order around the quad.
    using Quad = std::array<Corner, 4>;
    // A rectangle of one colour from low to high.
    static Quad rectangle(glm::vec2 low, glm::vec2 high, glm::vec4 colour);

    explicit HudShapes(ResourceCache& cache);
    // The quads, placed by projection (identity: normalised device coordinates).
    void draw(const std::vector<Quad>& quads, const glm::mat4& projection);

  private:
    ProgramRef program;
    GLint projectionLocation = -1;
    gl::VertexArray vertexArray;
    gl::Buffer vertexBuffer;
};

} // namespace brindlemox::render
