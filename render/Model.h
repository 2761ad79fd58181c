#pragma once

#include "render/GlHandle.h"
#include "render/Texture.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <memory>
#include <string>
#include <vector>

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

struct Material {
    std::shared_ptr<const Texture> texture;
    glm::vec3 ambient{0.0f};
    glm::vec3 diffuse{0.0f};
    glm::vec3 specular{0.0f};
};

// One mesh of a model file with its own vertex array and buffers. Move-only, like the handles
// that own its GL objects.
class Mesh {
  public:
    // Uploads the vertices and indices and records the attribute layout.
    void setup(std::vector<Vertex> vertices, const std::vector<unsigned>& indices);
    void release();

    gl::Buffer vertexBuffer;
    gl::Buffer indexBuffer;
    gl::VertexArray vertexArray;
    unsigned indexCount = 0;
    unsigned materialIndex = 0;
    std::vector<Vertex> vertices;
    glm::vec3 centroid{0.0f};
};

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

    std::vector<glm::vec3> getVertexPositions() const;
    std::vector<Triangle> getTriangles() const { return triangles; }
    const std::vector<Triangle>& triangleList() const { return triangles; }
    size_t getMeshCount() const { return meshes.size(); }
    const Mesh& getMesh(size_t i) const { return meshes[i]; }
    const std::vector<std::unique_ptr<Material>>& getMaterials() const { return materials; }
    bool isEmpty() const { return meshes.empty(); }

    std::vector<Mesh> meshes;
    std::vector<Triangle> triangles;
    std::vector<std::unique_ptr<Material>> materials;
};

// Reads a model file through assimp (triangulated, texture v flipped). On failure prints
// "\n\nerror loading model <path>\n\n" and returns an empty model. Only regular files of at
// most 256 MiB are read (the model and any file it names); a scene without meshes is a failure;
// an FBX file whose node graph loops or runs too deep is refused before the importer sees it,
// with one line saying why.
// Material textures come from cache (a private one when none is given).
class ResourceCache;
std::unique_ptr<Model> loadModel(const std::string& path, ResourceCache* cache = nullptr);
