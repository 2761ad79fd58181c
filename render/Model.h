#pragma once

#include "render/GlHandle.h"
#include "render/Mesh.h"
#include "render/ModelImport.h"
#include "render/ResourceCache.h"
#include "render/Texture.h"
#include "render/Vertex.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace brindlemox::render {

class Frustum;

struct Material {
    std::shared_ptr<const Texture> texture;
    glm::vec3 ambient{0.0f};
    glm::vec3 diffuse{0.0f};
    glm::vec3 specular{0.0f};
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
    // The kind models are shared and counted under in a ResourceCache.
    static constexpr const char* CacheKind = "model";

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

// One mesh's regions in the frustum, nearest the eye first, as one multi-draw's counts and
// offsets (the whole mesh when it has no regions). Keeps its lists between meshes.
struct RegionDraw {
    void collect(const Mesh& mesh, const glm::mat4& modelMatrix, const Frustum& frustum);
    // With the mesh's vertex array bound.
    void draw() const;

    std::vector<GLsizei> counts;
    std::vector<const void*> offsets;

  private:
    std::vector<std::pair<float, const MeshRegion*>> order;
    std::vector<glm::vec3> corners = std::vector<glm::vec3>(8);
};

// Reads a model file through assimp (triangulated, texture v flipped). On failure prints
// "\n\nerror loading model <path>\n\n" and returns an empty model. Only regular files of at
// most 256 MiB are read (the model and any file it names; a model that is there but is not
// such a file is refused with one line saying why); a scene without meshes is a failure; an FBX
// file whose node graph loops or runs too deep is refused before the importer sees it, with one
// line saying why.
// Material textures come from cache (a private one when none is given).
std::unique_ptr<Model> loadModel(const std::string& path, ResourceCache* cache = nullptr);

// loadModel in two steps: the file (readModel: no GL, prints nothing), then the GL objects on
// the context's thread, with the failure lines printed there.
std::unique_ptr<Model> buildModel(const std::string& path, ModelData data, ResourceCache* cache);

// The model file at path from cache: built once while anyone holds it, from what modelReadAhead
// read on the start-up reader when it did.
std::shared_ptr<const Model> sharedModel(ResourceCache& cache, const std::string& path);
// What to give the cache's readAhead so that the model file and the images it names are read on
// the start-up reader.
ResourceCache::ReadJob modelReadAhead(const std::string& path);
// The same for a model file read already (readModel): its images are read ahead.
ResourceCache::ReadJob modelReadAhead(const std::string& path, ModelData read);

} // namespace brindlemox::render
