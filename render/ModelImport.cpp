#include "render/ModelImport.h"

#include "platform/DataFile.h"
#include "platform/Printable.h"
#include "render/FbxCheck.h"

#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

namespace brindlemox::render {

using namespace platform;

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

} // namespace

ModelData readModel(const std::string& path) {
    ModelData data;
    data.failed = true;
    // Only a regular file of sane size: a pipe or a device would never end, a folder would load
    // as an empty scene.
    datafile::Refusal why;
    std::optional<std::string> file = datafile::read(path, datafile::MaxModelBytes, &why);
    if (!file) {
        data.reason = datafile::describe(why, datafile::MaxModelBytes);
        // One that is there but cannot be read (too large, not a file) says why.
        if (!datafile::isMissing(why))
            data.problem = data.reason;
        return data;
    }
    // The importer would recurse without end (or too deep) on some FBX node graphs.
    if (hasFbxExtension(path) || fbxcheck::looksLikeFbx(*file)) {
        data.problem = fbxcheck::problem(*file);
        data.reason = data.problem;
        if (!data.problem.empty())
            return data;
    }
    Assimp::Importer importer;
    auto* files = new DataFileSystem(path, std::make_shared<const std::string>(std::move(*file)));
    importer.SetIOHandler(files); // the importer owns it
    const aiScene* scene = importer.ReadFile(path, ImportFlags);
    // A scene without meshes has nothing to draw or collide with: as good as no file.
    if (scene == nullptr || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0 ||
        scene->mRootNode == nullptr) {
        data.reason = "not a model the game can read";
        return data;
    }
    if (scene->mNumMeshes == 0) {
        data.reason = "a model without meshes";
        return data;
    }

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

} // namespace brindlemox::render
