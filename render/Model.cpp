#include "render/Model.h"

#include "platform/DataFile.h"
#include "platform/Printable.h"
#include "render/FbxCheck.h"
#include "render/Frustum.h"
#include "render/ProgramStatus.h"
#include "render/ResourceCache.h"
#include "render/Semantics.h"

#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <glm/common.hpp>
#include <glm/geometric.hpp>
#include <glm/matrix.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <tuple>

namespace {

constexpr unsigned ImportFlags = aiProcess_Triangulate | aiProcess_FlipUVs;

glm::vec3 toVec3(const aiVector3D& v) {
    return glm::vec3(v.x, v.y, v.z);
}

// A file already read into memory, handed to the importer.
class MemoryStream : public Assimp::IOStream {
  public:
    explicit MemoryStream(std::shared_ptr<const std::string> bytes) : bytes(std::move(bytes)) {}

    size_t Read(void* buffer, size_t size, size_t count) override {
        if (size == 0)
            return 0;
        const size_t whole = std::min(count, (bytes->size() - position) / size);
        std::memcpy(buffer, bytes->data() + position, whole * size);
        position += whole * size;
        return whole;
    }
    size_t Write(const void*, size_t, size_t) override { return 0; }
    aiReturn Seek(size_t offset, aiOrigin origin) override {
        const size_t base = origin == aiOrigin_SET   ? 0
                            : origin == aiOrigin_CUR ? position
                                                     : bytes->size();
        if (offset > bytes->size() - base)
            return aiReturn_FAILURE;
        position = base + offset;
        return aiReturn_SUCCESS;
    }
    size_t Tell() const override { return position; }
    size_t FileSize() const override { return bytes->size(); }
    void Flush() override {}

  private:
    std::shared_ptr<const std::string> bytes;
    size_t position = 0;
};

// The importer's only way to files: the model itself from memory (already read and checked),
// anything it names (an OBJ's material library) only when it is a regular file of sane size.
// A pipe, a device or a folder is a file that does not exist.
class DataFileSystem : public Assimp::IOSystem {
  public:
    DataFileSystem(std::string path, std::shared_ptr<const std::string> bytes)
        : modelPath(std::move(path)), modelBytes(std::move(bytes)) {}

    bool Exists(const char* file) const override {
        return file == modelPath || datafile::isReadable(file, datafile::MaxModelBytes);
    }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* file, const char* mode) override {
        if (std::strchr(mode, 'w') != nullptr || std::strchr(mode, 'a') != nullptr ||
            std::strchr(mode, '+') != nullptr)
            return nullptr;
        if (file == modelPath)
            return new MemoryStream(modelBytes);
        datafile::Refusal why;
        std::optional<std::string> bytes = datafile::read(file, datafile::MaxModelBytes, &why);
        if (!bytes) {
            // The importer may ask more than once.
            const std::string line = printable(file) + " cannot be read (" +
                                     datafile::describe(why, datafile::MaxModelBytes) + ")";
            if (std::find(unread.begin(), unread.end(), line) == unread.end())
                unread.push_back(line);
            return nullptr;
        }
        return new MemoryStream(std::make_shared<const std::string>(std::move(*bytes)));
    }
    void Close(Assimp::IOStream* stream) override { delete stream; }

    // The files the model names that could not be read, with why.
    std::vector<std::string> unread;

  private:
    std::string modelPath;
    std::shared_ptr<const std::string> modelBytes;
};

bool hasFbxExtension(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".fbx";
}

void readMesh(const aiMesh& source, ModelData::MeshData& mesh, std::vector<Triangle>& triangles) {
    mesh.materialIndex = source.mMaterialIndex;

    // Texture sets are read up to the first absent one; the second set only counts when there
    // are exactly two (a light map beside the colour texture).
    unsigned setCount = 0;
    while (setCount < AI_MAX_NUMBER_OF_TEXTURECOORDS && source.mTextureCoords[setCount] != nullptr)
        ++setCount;

    std::vector<Vertex> vertices(source.mNumVertices);
    for (unsigned j = 0; j < source.mNumVertices; ++j) {
        Vertex& v = vertices[j];
        v.position = toVec3(source.mVertices[j]);
        // Files without normals or texture sets get zeros rather than a read past the end.
        if (source.mNormals != nullptr)
            v.normal = toVec3(source.mNormals[j]);
        if (setCount >= 1)
            v.texCoord = glm::vec2(source.mTextureCoords[0][j].x, source.mTextureCoords[0][j].y);
        if (setCount == 2)
            v.lightMapCoord =
                glm::vec2(source.mTextureCoords[1][j].x, source.mTextureCoords[1][j].y);
    }

    std::vector<unsigned>& indices = mesh.indices;
    indices.reserve(static_cast<size_t>(source.mNumFaces) * 3);
    for (unsigned f = 0; f < source.mNumFaces; ++f) {
        const aiFace& face = source.mFaces[f];
        // Points and lines carry no surface to draw or collide with.
        if (face.mNumIndices != 3)
            continue;
        const unsigned* idx = face.mIndices;
        indices.insert(indices.end(), idx, idx + 3);
        triangles.push_back(Triangle{toVec3(source.mVertices[idx[0]]),
                                     toVec3(source.mVertices[idx[1]]),
                                     toVec3(source.mVertices[idx[2]])});
    }

    mesh.regions = groupIntoRegions(vertices, indices);
    mesh.vertices = std::move(vertices);
}

glm::vec3 materialColour(const aiMaterial* material, const char* key) {
    aiColor4D colour(0.0f, 0.0f, 0.0f, 0.0f);
    if (aiGetMaterialColor(material, key, 0, 0, &colour) != AI_SUCCESS)
        return glm::vec3(0.0f);
    return glm::vec3(colour.r, colour.g, colour.b);
}

std::optional<ModelData::MaterialData> readMaterial(const aiMaterial* source) {
    if (aiGetMaterialTextureCount(source, aiTextureType_DIFFUSE) == 0)
        return std::nullopt;
    aiString texturePath;
    if (aiGetMaterialTexture(source, aiTextureType_DIFFUSE, 0, &texturePath) != AI_SUCCESS)
        return std::nullopt;
    ModelData::MaterialData material;
    material.texturePath = texturePath.C_Str();
    material.ambient = materialColour(source, "$clr.ambient");
    material.diffuse = materialColour(source, "$clr.diffuse");
    material.specular = materialColour(source, "$clr.specular");
    return material;
}

void setMaterialColours(const MaterialLocations& at, const Material& material) {
    glUniform3f(at.ambient, material.ambient.r, material.ambient.g, material.ambient.b);
    glUniform3f(at.diffuse, material.diffuse.r, material.diffuse.g, material.diffuse.b);
    glUniform3f(at.specular, material.specular.r, material.specular.g, material.specular.b);
}

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

void Model::draw(GLuint program, int textureUnit) const {
    drawWithSecondTexture(program, textureUnit, nullptr, 0);
}

MaterialLocations MaterialLocations::lookUp(GLuint program) {
    MaterialLocations at;
    // A program that failed to build has no uniforms to look up.
    if (!programLinked(program))
        return at;
    at.ambient = glGetUniformLocation(program, "material.ambient");
    at.diffuse = glGetUniformLocation(program, "material.diffuse");
    at.specular = glGetUniformLocation(program, "material.specular");
    return at;
}

void Model::drawWithSecondTexture(GLuint program, int textureUnit, const Texture* second,
                                  int secondUnit) const {
    // Nothing can be drawn without a working program (a missing or broken shader file).
    if (!programLinked(program))
        return;
    // Only a mesh with a material sets colours: a model without any touches no uniform.
    for (const Mesh& mesh : meshes) {
        const unsigned m = mesh.materialIndex;
        if (m < materials.size() && materials[m] != nullptr) {
            drawWithSecondTexture(MaterialLocations::lookUp(program), textureUnit, second,
                                  secondUnit);
            return;
        }
    }
    drawWithSecondTexture(MaterialLocations{}, textureUnit, second, secondUnit);
}

void Model::bindMaterial(const Mesh& mesh, const MaterialLocations& locations, int textureUnit,
                         const Texture* second, int secondUnit) const {
    const unsigned m = mesh.materialIndex;
    // A mesh without a material keeps whatever textures and colours are current.
    if (m >= materials.size() || materials[m] == nullptr)
        return;
    const Material& material = *materials[m];
    if (textureUnit != KeepBoundTextures)
        material.texture->bind(textureUnit);
    if (second != nullptr)
        second->bind(secondUnit);
    setMaterialColours(locations, material);
}

void Model::drawWithSecondTexture(const MaterialLocations& locations, int textureUnit,
                                  const Texture* second, int secondUnit) const {
    for (const Mesh& mesh : meshes) {
        bindMaterial(mesh, locations, textureUnit, second, secondUnit);
        glBindVertexArray(mesh.vertexArray.get());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indexCount), GL_UNSIGNED_INT,
                       nullptr);
    }
    glBindVertexArray(0);
}

std::vector<MeshRegion> groupIntoRegions(const std::vector<Vertex>& vertices,
                                         std::vector<unsigned>& indices) {
    const size_t triangleCount = indices.size() / 3;
    if (triangleCount == 0 || vertices.empty())
        return {};
    glm::vec3 low(vertices.front().position), high(low);
    for (const Vertex& v : vertices) {
        low = glm::min(low, v.position);
        high = glm::max(high, v.position);
    }
    const auto bounds = [&](unsigned first, unsigned count) {
        MeshRegion region{first, count, vertices[indices[first]].position,
                          vertices[indices[first]].position};
        for (unsigned i = first; i < first + count; ++i) {
            region.low = glm::min(region.low, vertices[indices[i]].position);
            region.high = glm::max(region.high, vertices[indices[i]].position);
        }
        return region;
    };
    const glm::vec3 size = high - low;
    if (std::max({size.x, size.y, size.z}) <= MeshRegionSize)
        return {bounds(0, static_cast<unsigned>(triangleCount * 3))};

    // Triangles by the cube their centre lies in; a map keeps the regions in a fixed order.
    using Cube = std::tuple<int, int, int>;
    std::map<Cube, std::vector<unsigned>> byCube;
    for (size_t t = 0; t < triangleCount; ++t) {
        const glm::vec3 centre =
            (vertices[indices[3 * t]].position + vertices[indices[3 * t + 1]].position +
             vertices[indices[3 * t + 2]].position) /
            3.0f;
        const glm::vec3 cube = glm::floor((centre - low) / MeshRegionSize);
        // Odd files may hold huge or non-finite positions: keep the conversion to int defined.
        const auto index = [](float c) {
            return std::isfinite(c) ? static_cast<int>(std::clamp(c, 0.0f, 1.0e6f)) : 0;
        };
        byCube[{index(cube.x), index(cube.y), index(cube.z)}].push_back(static_cast<unsigned>(t));
    }
    std::vector<unsigned> grouped;
    grouped.reserve(triangleCount * 3);
    std::vector<MeshRegion> regions;
    for (const auto& [cube, triangles] : byCube) {
        const auto first = static_cast<unsigned>(grouped.size());
        for (unsigned t : triangles)
            grouped.insert(grouped.end(), indices.begin() + 3 * t, indices.begin() + 3 * t + 3);
        regions.push_back({first, static_cast<unsigned>(grouped.size()) - first});
    }
    indices = std::move(grouped);
    for (MeshRegion& region : regions)
        region = bounds(region.firstIndex, region.indexCount);
    return regions;
}

void Model::drawNearestFirst(const MaterialLocations& locations, int textureUnit,
                             const Texture* second, int secondUnit, const glm::mat4& modelMatrix,
                             const Frustum& frustum) const {
    const glm::vec3 eye(glm::inverse(modelMatrix) * glm::vec4(frustum.getEye(), 1.0f));
    std::vector<std::pair<float, const MeshRegion*>> order;
    std::vector<GLsizei> counts;
    std::vector<const void*> offsets;
    std::vector<glm::vec3> corners(8);
    for (const Mesh& mesh : meshes) {
        bindMaterial(mesh, locations, textureUnit, second, secondUnit);
        order.clear();
        for (const MeshRegion& region : mesh.regions) {
            for (int c = 0; c < 8; ++c) {
                const glm::vec3 corner((c & 1) != 0 ? region.high.x : region.low.x,
                                       (c & 2) != 0 ? region.high.y : region.low.y,
                                       (c & 4) != 0 ? region.high.z : region.low.z);
                corners[c] = glm::vec3(modelMatrix * glm::vec4(corner, 1.0f));
            }
            if (!frustum.pointsVisible(corners))
                continue;
            const glm::vec3 toRegion = glm::clamp(eye, region.low, region.high) - eye;
            const float distance = glm::dot(toRegion, toRegion);
            // A region of odd coordinates goes last: the sort needs comparable keys.
            order.emplace_back(
                std::isnan(distance) ? std::numeric_limits<float>::infinity() : distance, &region);
        }
        std::sort(order.begin(), order.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        counts.clear();
        offsets.clear();
        for (const auto& [distance, region] : order) {
            counts.push_back(static_cast<GLsizei>(region->indexCount));
            offsets.push_back(reinterpret_cast<const void*>(region->firstIndex * sizeof(unsigned)));
        }
        if (mesh.regions.empty() && mesh.indexCount > 0) { // set up without regions: whole
            counts.push_back(static_cast<GLsizei>(mesh.indexCount));
            offsets.push_back(nullptr);
        }
        if (counts.empty())
            continue;
        glBindVertexArray(mesh.vertexArray.get());
        glMultiDrawElements(GL_TRIANGLES, counts.data(), GL_UNSIGNED_INT, offsets.data(),
                            static_cast<GLsizei>(counts.size()));
    }
    glBindVertexArray(0);
}

std::vector<glm::vec3> Model::getVertexPositions() const {
    std::vector<glm::vec3> positions;
    for (const Mesh& mesh : meshes)
        for (const Vertex& v : mesh.vertices)
            positions.push_back(v.position);
    return positions;
}

ModelData readModel(const std::string& path) {
    ModelData data;
    data.failed = true;
    // Only a regular file of sane size: a pipe or a device would never end, a folder would load
    // as an empty scene.
    std::optional<std::string> file = datafile::read(path, datafile::MaxModelBytes);
    if (!file)
        return data;
    // The importer would recurse without end (or too deep) on some FBX node graphs.
    if (hasFbxExtension(path) || fbxcheck::looksLikeFbx(*file)) {
        data.problem = fbxcheck::problem(*file);
        if (!data.problem.empty())
            return data;
    }
    Assimp::Importer importer;
    auto* files = new DataFileSystem(path, std::make_shared<const std::string>(std::move(*file)));
    importer.SetIOHandler(files); // the importer owns it
    const aiScene* scene = importer.ReadFile(path, ImportFlags);
    // A scene without meshes has nothing to draw or collide with: as good as no file.
    if (scene == nullptr || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0 ||
        scene->mRootNode == nullptr || scene->mNumMeshes == 0)
        return data;

    data.meshes.resize(scene->mNumMeshes);
    for (unsigned i = 0; i < scene->mNumMeshes; ++i)
        readMesh(*scene->mMeshes[i], data.meshes[i], data.triangles);
    for (unsigned m = 0; m < scene->mNumMaterials; ++m)
        data.materials.push_back(readMaterial(scene->mMaterials[m]));
    // Without its material file a part draws black: the player is told which.
    for (const std::string& unread : files->unread)
        data.warnings.push_back("the material file " + unread);
    // A model outside the data folder (a player's level) keeps the data folder's layout around
    // it: its images are looked for in the folder above its own first.
    const std::filesystem::path modelPath(path);
    if (modelPath.is_absolute())
        for (std::optional<ModelData::MaterialData>& material : data.materials)
            if (material && std::filesystem::path(material->texturePath).is_relative()) {
                const std::string beside =
                    (modelPath.parent_path().parent_path() / material->texturePath).string();
                if (datafile::isReadable(beside, datafile::MaxImageBytes))
                    material->texturePath = beside;
            }
    data.failed = false;
    return data;
}

std::unique_ptr<Model> buildModel(const std::string& path, ModelData data, ResourceCache* given) {
    auto model = std::make_unique<Model>();
    if (data.failed) {
        if (!data.problem.empty())
            std::printf("%s: %s\n", path.c_str(), data.problem.c_str());
        std::printf("\n\nerror loading model %s\n\n", path.c_str());
        std::fflush(stdout);
        return model;
    }
    for (const std::string& warning : data.warnings)
        std::printf("%s: %s; it is drawn without it\n", printable(path).c_str(), warning.c_str());
    model->materialsReported = !data.warnings.empty();
    // Sized once before any mesh owns GL names, so no mesh is ever moved after its setup.
    model->meshes.resize(data.meshes.size());
    for (size_t i = 0; i < data.meshes.size(); ++i) {
        ModelData::MeshData& source = data.meshes[i];
        Mesh& mesh = model->meshes[i];
        mesh.setup(std::move(source.vertices), source.indices);
        mesh.regions = std::move(source.regions);
        mesh.materialIndex = source.materialIndex;
    }
    model->triangles = std::move(data.triangles);
    CacheOrOwn cache(given);
    for (const std::optional<ModelData::MaterialData>& source : data.materials) {
        if (!source) {
            model->materials.push_back(nullptr);
            continue;
        }
        auto material = std::make_unique<Material>();
        material->texture = cache->texture(source->texturePath);
        material->ambient = source->ambient;
        material->diffuse = source->diffuse;
        material->specular = source->specular;
        model->materials.push_back(std::move(material));
    }
    return model;
}

std::unique_ptr<Model> loadModel(const std::string& path, ResourceCache* cache) {
    return buildModel(path, readModel(path), cache);
}
