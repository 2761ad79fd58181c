#pragma once

#include "render/GlHandle.h"
#include "render/MeshRegion.h"
#include "render/Vertex.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <vector>

namespace brindlemox::render {

// The placement of one drawn copy of a model, read per instance by the entity program.
struct Instance {
    glm::mat4 mvp{1.0f};
    glm::mat4 model{1.0f};
    float alpha = 1.0f;
};

// One mesh of a model file with its own vertex array and buffers. Move-only, like the handles
// that own its GL objects.
class Mesh {
  public:
    // Uploads the vertices and indices and records the attribute layout.
    void setup(std::vector<Vertex> vertices, const std::vector<unsigned>& indices);
    void release();
    // The copy the mesh's next single draw places (for programs that read the placement
    // attributes).
    void place(const Instance& single) const;
    // One draw of every copy in instances; vertexArray must be bound and the program must read
    // the placement attributes.
    void drawInstances(const std::vector<Instance>& instances) const;

    gl::Buffer vertexBuffer;
    gl::Buffer indexBuffer;
    // The vertices, and the placement of each copy from instanceBuffer.
    gl::VertexArray vertexArray;
    gl::Buffer instanceBuffer;
    unsigned indexCount = 0;
    unsigned materialIndex = 0;
    std::vector<Vertex> vertices;
    glm::vec3 centroid{0.0f};
    // Large meshes (the level maps) have their indices grouped by region, so that they can be
    // drawn nearest region first; a small mesh is one region in its file's order.
    std::vector<MeshRegion> regions;

  private:
    // Binds the instance buffer and fills it with these copies.
    void storeInstances(const Instance* copies, size_t count) const;
};

} // namespace brindlemox::render
