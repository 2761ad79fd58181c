#include "effects/GBtDebugDraw.h"

#include "render/GlHandle.h"
#include "render/ProgramStatus.h"
#include "render/Semantics.h"

#include <glm/gtc/type_ptr.hpp>

namespace brindlemox::effects {

using namespace render;

GBtDebugDraw::GBtDebugDraw(ResourceCache* cache)
    : program(CacheOrOwn(cache)->program("Shader/debugDrawVS.vs", "Shader/debugDrawFS.fs")) {
    if (programReady(program))
        mvpLocation = glGetUniformLocation(program->get(), "mvp");
}

GBtDebugDraw::~GBtDebugDraw() = default;

void GBtDebugDraw::drawLine(const btVector3& from, const btVector3& to,
                            const btVector3& /*color*/) {
    // The debug fragment shader decides the colour.
    addLine(from, to);
}

void GBtDebugDraw::draw(const glm::mat4& viewProjection, const glm::vec3& /*eye*/) {
    // A core context has no vertex array to draw an empty list from; there is nothing to draw.
    if (lines.empty() || !programReady(program))
        return;
    std::vector<float> points;
    points.reserve(lines.size() * 6);
    for (const Line& line : lines)
        for (const btVector3* p : {&line.from, &line.to}) {
            points.push_back(static_cast<float>(p->x()));
            points.push_back(static_cast<float>(p->y()));
            points.push_back(static_cast<float>(p->z()));
        }
    glUseProgram(program->get());
    program->set(mvpLocation, viewProjection);
    const gl::VertexArray vertexArray = gl::makeVertexArray();
    glBindVertexArray(vertexArray.get());
    const gl::Buffer vertexBuffer = gl::makeBuffer();
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(points.size() * sizeof(float)),
                 points.data(), GL_STREAM_DRAW);
    glEnableVertexAttribArray(attrib::DebugPosition);
    glVertexAttribPointer(attrib::DebugPosition, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    // Seen through what is drawn: a body hidden in rock, or left by a fallen wall, shows too.
    const GLboolean depthTested = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(points.size() / 3));
    if (depthTested == GL_TRUE)
        glEnable(GL_DEPTH_TEST);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

} // namespace brindlemox::effects
