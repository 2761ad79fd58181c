#include "MeshData.h"
#include "Output.h"

#include <assimp/Exporter.hpp>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <cstring>
#include <map>
#include <memory>

using namespace brindlemox::platform;

namespace assets {

namespace {

// The exporter's files (the model, an OBJ's material file) kept in memory under the names it
// gave them, to be written whole once the export has succeeded.
class MemoryFiles : public Assimp::IOSystem {
  public:
    std::map<std::string, std::string> files;

    bool Exists(const char* path) const override { return files.count(path) != 0; }
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* path, const char* mode) override {
        if (std::strchr(mode, 'w') == nullptr)
            return nullptr; // the exporters only write
        std::string& bytes = files[path];
        bytes.clear();
        return new Stream(bytes);
    }
    void Close(Assimp::IOStream* stream) override { delete stream; }

  private:
    class Stream : public Assimp::IOStream {
      public:
        explicit Stream(std::string& bytes) : bytes(bytes) {}
        size_t Read(void*, size_t, size_t) override { return 0; }
        size_t Write(const void* data, size_t size, size_t count) override {
            const size_t length = size * count;
            if (at + length > bytes.size())
                bytes.resize(at + length);
            std::memcpy(&bytes[at], data, length);
            at += length;
            return count;
        }
        aiReturn Seek(size_t offset, aiOrigin origin) override {
            const size_t base = origin == aiOrigin_SET   ? 0
                                : origin == aiOrigin_CUR ? at
                                                         : bytes.size();
            if (base + offset > bytes.size())
                return aiReturn_FAILURE;
            at = base + offset;
            return aiReturn_SUCCESS;
        }
        size_t Tell() const override { return at; }
        size_t FileSize() const override { return bytes.size(); }
        void Flush() override {}

      private:
        std::string& bytes;
        size_t at = 0;
    };
};

// The FBX exporter stamps the time of the export into the header; without it two builds of the
// same level are the same bytes.
void removeCreationTime(std::string& fbx) {
    const std::string begin = "\tCreationTimeStamp:  {\n", end = "\n\t}\n";
    const size_t from = fbx.find(begin);
    const size_t to = from == std::string::npos ? from : fbx.find(end, from);
    if (to != std::string::npos)
        fbx.erase(from, to + end.size() - from);
}

aiMesh* toAssimp(const MeshData& data, unsigned index) {
    auto* mesh = new aiMesh();
    mesh->mName = aiString("mesh" + std::to_string(index));
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mMaterialIndex = data.material;
    const unsigned count = static_cast<unsigned>(data.positions.size());
    mesh->mNumVertices = count;
    mesh->mVertices = new aiVector3D[count];
    mesh->mNormals = new aiVector3D[count];
    mesh->mTextureCoords[0] = new aiVector3D[count];
    mesh->mNumUVComponents[0] = 2;
    if (!data.uv1.empty()) {
        mesh->mTextureCoords[1] = new aiVector3D[count];
        mesh->mNumUVComponents[1] = 2;
    }
    for (unsigned i = 0; i < count; ++i) {
        const glm::vec3& p = data.positions[i];
        const glm::vec3& n = data.normals[i];
        mesh->mVertices[i] = aiVector3D(p.x, p.y, p.z);
        mesh->mNormals[i] = aiVector3D(n.x, n.y, n.z);
        mesh->mTextureCoords[0][i] = aiVector3D(data.uv0[i].x, data.uv0[i].y, 0.0f);
        if (!data.uv1.empty())
            mesh->mTextureCoords[1][i] = aiVector3D(data.uv1[i].x, data.uv1[i].y, 0.0f);
    }
    const unsigned faces = static_cast<unsigned>(data.indices.size() / 3);
    mesh->mNumFaces = faces;
    mesh->mFaces = new aiFace[faces];
    for (unsigned f = 0; f < faces; ++f) {
        aiFace& face = mesh->mFaces[f];
        face.mNumIndices = 3;
        face.mIndices = new unsigned[3];
        for (unsigned k = 0; k < 3; ++k)
            face.mIndices[k] = data.indices[f * 3 + k];
    }
    return mesh;
}

aiMaterial* toAssimp(const MaterialData& data) {
    auto* material = new aiMaterial();
    aiString name(data.name);
    material->AddProperty(&name, AI_MATKEY_NAME);
    aiColor3D ambient(data.ambient.r, data.ambient.g, data.ambient.b);
    aiColor3D diffuse(data.diffuse.r, data.diffuse.g, data.diffuse.b);
    aiColor3D specular(data.specular.r, data.specular.g, data.specular.b);
    material->AddProperty(&ambient, 1, AI_MATKEY_COLOR_AMBIENT);
    material->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    material->AddProperty(&specular, 1, AI_MATKEY_COLOR_SPECULAR);
    if (!data.texture.empty()) {
        aiString texture(data.texture);
        material->AddProperty(&texture, AI_MATKEY_TEXTURE_DIFFUSE(0));
    }
    return material;
}

} // namespace

Result<void> exportModel(const ModelData& model, const std::string& formatId,
                         const std::string& path) {
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode();
    scene->mRootNode->mName = aiString("root");
    scene->mNumMaterials = static_cast<unsigned>(model.materials.size());
    scene->mMaterials = new aiMaterial*[scene->mNumMaterials];
    for (unsigned m = 0; m < scene->mNumMaterials; ++m)
        scene->mMaterials[m] = toAssimp(model.materials[m]);
    scene->mNumMeshes = static_cast<unsigned>(model.meshes.size());
    scene->mMeshes = new aiMesh*[scene->mNumMeshes];
    scene->mRootNode->mNumMeshes = scene->mNumMeshes;
    scene->mRootNode->mMeshes = new unsigned[scene->mNumMeshes];
    for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
        scene->mMeshes[i] = toAssimp(model.meshes[i], i);
        scene->mRootNode->mMeshes[i] = i;
    }
    Assimp::Exporter exporter;
    auto* files = new MemoryFiles();
    exporter.SetIOHandler(files); // the exporter owns it
    if (exporter.Export(scene.get(), formatId, path) != AI_SUCCESS)
        return fail("cannot write " + path + ": " + exporter.GetErrorString());
    for (auto& [name, bytes] : files->files) {
        if (formatId == "fbxa")
            removeCreationTime(bytes);
        if (Result<void> written = writeOutput(name, bytes); !written)
            return written;
    }
    return {};
}

} // namespace assets
