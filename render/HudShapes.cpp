#include "render/HudShapes.h"

#include <glm/gtc/type_ptr.hpp>

#include <cstddef>

namespace brindlemox::render {

HudShapes::Quad HudShapes::rectangle(glm::vec2 low, glm::vec2 high, glm::vec4 colour) {
    return {{{low, colour},
             {glm::vec2(high.x, low.y), colour},
             {high, colour},
             {glm::vec2(low.x, high.y), colour}}};
}

HudShapes::HudShapes(ResourceCache& cache) {
    program = cache.program("Shader/hudShapeVS.vs", "Shader/hudShapeFS.fs");
    if (programReady(program))
        projectionLocation = glGetUniformLocation(program->get(), "projection");
    vertexArray = gl::makeVertexArray();
    vertexBuffer = gl::makeBuffer();
    glBindVertexArray(vertexArray.get());
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Corner),
                          reinterpret_cast<const void*>(offsetof(Corner, position)));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, sizeof(Corner),
                          reinterpret_cast<const void*>(offsetof(Corner, colour)));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
}

void HudShapes::draw(const std::vector<Quad>& quads, const glm::mat4& projection) {
    if (quads.empty() || !programReady(program))
        return;
    // Two triangles a quad.
    std::vector<Corner> corners;
    corners.reserve(quads.size() * 6);
    for (const Quad& q : quads)
        corners.insert(corners.end(), {q[0], q[1], q[2], q[0], q[2], q[3]});
    const GLboolean depth = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(program->get());
    program->set(projectionLocation, projection);
    glBindVertexArray(vertexArray.get());
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(corners.size() * sizeof(Corner)),
                 corners.data(), GL_STREAM_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(corners.size()));
    glBindVertexArray(0);
    if (depth)
        glEnable(GL_DEPTH_TEST);
}

} // namespace brindlemox::render
