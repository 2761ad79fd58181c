#include "render/Mesh.h"

#include "render/Semantics.h"

#include <cstddef>

namespace brindlemox::render {

namespace {

void setAttribute(GLuint index, GLint components, size_t offset) {
    glEnableVertexAttribArray(index);
    glVertexAttribPointer(index, components, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                          reinterpret_cast<const void*>(offset));
}

} // namespace

void Mesh::setup(std::vector<Vertex> meshVertices, const std::vector<unsigned>& indices) {
    release(); // a second setup replaces the buffers instead of leaking them
    indexCount = static_cast<unsigned>(indices.size());
    vertices = std::move(meshVertices);

    glm::vec3 sum(0.0f);
    for (const Vertex& v : vertices)
        sum += v.position;
    // An empty mesh keeps its centroid at the origin instead of 0/0.
    centroid = vertices.empty() ? glm::vec3(0.0f) : sum / static_cast<float>(vertices.size());

    vertexArray = gl::makeVertexArray();
    glBindVertexArray(vertexArray.get());
    vertexBuffer = gl::makeBuffer();
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer.get());
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)),
                 vertices.data(), GL_STATIC_DRAW);
    indexBuffer = gl::makeBuffer();
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer.get());
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(indices.size() * sizeof(unsigned)), indices.data(),
                 GL_STATIC_DRAW);

    // Attributes 1 and 2 read three floats each: the shaders use only .xy of them.
    setAttribute(attrib::Position, 3, offsetof(Vertex, position));
    setAttribute(attrib::TexCoord, 3, offsetof(Vertex, texCoord));
    setAttribute(attrib::LightMapCoord, 3, offsetof(Vertex, lightMapCoord));
    setAttribute(attrib::Normal, 3, offsetof(Vertex, normal));

    // The placement of each copy, per instance: a single object's draw reads the one copy its
    // owner placed (place), so single and instanced draws share this layout and the driver
    // builds one vertex stage for both.
    instanceBuffer = gl::makeBuffer();
    // One default copy, so that a draw before any placement reads defined values.
    const Instance unplaced;
    storeInstances(&unplaced, 1);
    const auto perInstance = [](GLuint index, GLint components, size_t offset) {
        glEnableVertexAttribArray(index);
        glVertexAttribPointer(index, components, GL_FLOAT, GL_FALSE, sizeof(Instance),
                              reinterpret_cast<const void*>(offset));
        glVertexAttribDivisor(index, 1);
    };
    for (unsigned column = 0; column < 4; ++column) {
        perInstance(attrib::InstanceMvp + column, 4,
                    offsetof(Instance, mvp) + column * sizeof(glm::vec4));
        perInstance(attrib::InstanceModel + column, 4,
                    offsetof(Instance, model) + column * sizeof(glm::vec4));
    }
    perInstance(attrib::InstanceAlpha, 1, offsetof(Instance, alpha));

    glBindVertexArray(0);
}

void Mesh::storeInstances(const Instance* copies, size_t count) const {
    glBindBuffer(GL_ARRAY_BUFFER, instanceBuffer.get());
    // A fresh store each time: the driver need not wait for the draw that read the last one.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(Instance)), copies,
                 GL_STREAM_DRAW);
}

void Mesh::place(const Instance& single) const {
    if (!instanceBuffer)
        return;
    storeInstances(&single, 1);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void Mesh::drawInstances(const std::vector<Instance>& instances) const {
    if (instances.empty() || indexCount == 0)
        return;
    storeInstances(instances.data(), instances.size());
    glDrawElementsInstanced(GL_TRIANGLES, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT,
                            nullptr, static_cast<GLsizei>(instances.size()));
}

void Mesh::release() {
    regions.clear();
    vertexBuffer.reset();
    indexBuffer.reset();
    vertexArray.reset();
    instanceBuffer.reset();
    indexCount = 0;
    vertices.clear();
}

} // namespace brindlemox::render
