#include "effects/GBtDebugDraw.h"

#include "render/ProgramStatus.h"
#include "render/Semantics.h"
#include "render/ShaderLoader.h"

#include <glm/gtc/type_ptr.hpp>

GBtDebugDraw::GBtDebugDraw(ResourceCache* cache) {
    setProgram(CacheOrOwn(cache)->program("Shader/debugDrawVS.vs", "Shader/debugDrawFS.fs"));
    GBtDebugDraw::lookUpUniforms();
}

GBtDebugDraw::~GBtDebugDraw() = default;

void GBtDebugDraw::lookUpUniforms() {
    if (!programReady(program))
        return;
    mvpLocation = glGetUniformLocation(getProgram(), "mvp");
}

void GBtDebugDraw::uploadUniforms(const RenderState& state) {
    const glm::mat4 mvp = state.viewProjection * transform.modelMatrix();
    glUniformMatrix4fv(mvpLocation, 1, GL_FALSE, glm::value_ptr(mvp));
}

void GBtDebugDraw::drawLine(const btVector3& from, const btVector3& to,
                            const btVector3& /*color*/) {
    // The debug fragment shader decides the colour. The objects live for this call only.
    const float points[6] = {static_cast<float>(from.x()), static_cast<float>(from.y()),
                             static_cast<float>(from.z()), static_cast<float>(to.x()),
                             static_cast<float>(to.y()),   static_cast<float>(to.z())};
    const GLuint indices[2] = {0, 1};

    const gl::VertexArray vertexArray = gl::makeVertexArray();
    glBindVertexArray(vertexArray.get());
    const gl::Buffer vertexBuffer = gl::makeBuffer();
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    glBufferData(GL_ARRAY_BUFFER, sizeof(points), points, GL_STATIC_DRAW);
    const gl::Buffer indexBuffer = gl::makeBuffer();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer.get());
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof(indices), indices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(attrib::DebugPosition);
    glVertexAttribPointer(attrib::DebugPosition, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);

    glDrawElements(GL_LINES, 2, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
}

void GBtDebugDraw::drawSegments(const std::vector<float>& points) {
    const gl::VertexArray vertexArray = gl::makeVertexArray();
    glBindVertexArray(vertexArray.get());
    const gl::Buffer vertexBuffer = gl::makeBuffer();
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(points.size() * sizeof(float)),
                 points.data(), GL_STREAM_DRAW);
    glEnableVertexAttribArray(attrib::DebugPosition);
    glVertexAttribPointer(attrib::DebugPosition, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(points.size() / 3));
    glBindVertexArray(0);
}

void GBtDebugDraw::draw(const Frustum& /*frustum*/) {
    // A core context has no vertex array to draw an empty list from; there is nothing to draw.
    if (lines.empty())
        return;
    std::vector<float> points;
    points.reserve(lines.size() * 6);
    for (const Line& line : lines)
        for (const btVector3* p : {&line.from, &line.to}) {
            points.push_back(static_cast<float>(p->x()));
            points.push_back(static_cast<float>(p->y()));
            points.push_back(static_cast<float>(p->z()));
        }
    drawSegments(points);
}
