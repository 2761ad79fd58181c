#pragma once

#include "render/GlHandle.h"
#include "render/Texture.h"

#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class Frustum;

// The 40-byte interleaved vertex of every model buffer.
struct Vertex {
    glm::vec3 position{0.0f};
    glm::vec2 texCoord{0.0f};
    glm::vec2 lightMapCoord{-99999.0f, -99999.0f}; // second texture set, when exactly two exist
    glm::vec3 normal{0.0f};
};
static_assert(sizeof(Vertex) == 40, "the vertex layout is shared with the shaders");

// The placement of one drawn copy of a model, read per instance by the entity program.
struct Instance {
    glm::mat4 mvp{1.0f};
    glm::mat4 model{1.0f};
    float alpha = 1.0f;
};

struct Triangle {
    glm::vec3 a{0.0f}, b{0.0f}, c{0.0f};
};

struct Material {
    std::shared_ptr<const Texture> texture;
    glm::vec3 ambient{0.0f};
    glm::vec3 diffuse{0.0f};
    glm::vec3 specular{0.0f};
};

// A run of a mesh's index list whose triangles have their centres in one cube of space, with
// the bounds of those triangles.
struct MeshRegion {
    unsigned firstIndex = 0;
    unsigned indexCount = 0;
    glm::vec3 low{0.0f};
    glm::vec3 high{0.0f};
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

// Side of the cubes a large mesh's triangles are grouped by.
constexpr float MeshRegionSize = 8.0f;
// Reorders indices so that each region's triangles are contiguous (keeping their file order
// within a region) and returns the regions; a mesh no larger than one region keeps its order.
std::vector<MeshRegion> groupIntoRegions(const std::vector<Vertex>& vertices,
                                         std::vector<unsigned>& indices);

// The material colour uniforms of one program ("material.ambient", ".diffuse", ".specular").
struct MaterialLocations {
    GLint ambient = -1;
    GLint diffuse = -1;
    GLint specular = -1;

    static MaterialLocations lookUp(GLuint program);
};

// The GPU form of one model file. A file that fails to load leaves an empty model, which draws
// nothing.
class Model {
  public:
    // Texture unit for drawables whose pictures come from textures of their own: the meshes are
    // drawn with the material colours but no material texture is bound over theirs.
    static constexpr int KeepBoundTextures = -1;

    Model() = default;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // textureUnit KeepBoundTextures binds no material texture.
    void draw(GLuint program, int textureUnit) const;
    // As draw, and binds second to secondUnit for every mesh that has a material.
    void drawWithSecondTexture(GLuint program, int textureUnit, const Texture* second,
                               int secondUnit) const;
    // As above with the material locations already looked up for the program.
    void drawWithSecondTexture(const MaterialLocations& locations, int textureUnit,
                               const Texture* second, int secondUnit) const;
    // As above, each mesh's regions nearest the frustum's eye first (the depth test then spares
    // the shading of what they hide), leaving out regions outside the frustum.
    void drawNearestFirst(const MaterialLocations& locations, int textureUnit,
                          const Texture* second, int secondUnit, const glm::mat4& modelMatrix,
                          const Frustum& frustum) const;

    std::vector<glm::vec3> getVertexPositions() const;
    // Binds the mesh's material texture (unless KeepBoundTextures), second, and its colours.
    void bindMaterial(const Mesh& mesh, const MaterialLocations& locations, int textureUnit,
                      const Texture* second, int secondUnit) const;
    std::vector<Triangle> getTriangles() const { return triangles; }
    const std::vector<Triangle>& triangleList() const { return triangles; }
    size_t getMeshCount() const { return meshes.size(); }
    const Mesh& getMesh(size_t i) const { return meshes[i]; }
    const std::vector<std::unique_ptr<Material>>& getMaterials() const { return materials; }
    // Whether loading already told the player of a missing material file.
    bool areMaterialsReported() const { return materialsReported; }
    bool isEmpty() const { return meshes.empty(); }

    std::vector<Mesh> meshes;
    std::vector<Triangle> triangles;
    std::vector<std::unique_ptr<Material>> materials;
    bool materialsReported = false;
};

// Reads a model file through assimp (triangulated, texture v flipped). On failure prints
// "\n\nerror loading model <path>\n\n" and returns an empty model. Only regular files of at
// most 256 MiB are read (the model and any file it names); a scene without meshes is a failure;
// an FBX file whose node graph loops or runs too deep is refused before the importer sees it,
// with one line saying why.
// Material textures come from cache (a private one when none is given).
class ResourceCache;
std::unique_ptr<Model> loadModel(const std::string& path, ResourceCache* cache = nullptr);

// A model file as read and converted, before any GL object exists: read on any thread.
struct ModelData {
    struct MeshData {
        std::vector<Vertex> vertices;
        std::vector<unsigned> indices;
        std::vector<MeshRegion> regions;
        unsigned materialIndex = 0;
    };
    struct MaterialData {
        std::string texturePath;
        glm::vec3 ambient{0.0f};
        glm::vec3 diffuse{0.0f};
        glm::vec3 specular{0.0f};
    };
    std::vector<MeshData> meshes;
    std::vector<Triangle> triangles;
    std::vector<std::optional<MaterialData>> materials; // none: no diffuse texture
    bool failed = false;
    std::string problem; // said before the failure line, when there is more to say
    // Said of a model that loads but draws without some of its materials (one line each).
    std::vector<std::string> warnings;
};

// loadModel in two steps: the file (no GL, prints nothing), then the GL objects on the
// context's thread, with the failure lines printed there.
ModelData readModel(const std::string& path);
std::unique_ptr<Model> buildModel(const std::string& path, ModelData data, ResourceCache* cache);
