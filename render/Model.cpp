#include "render/Model.h"

#include "render/DataFile.h"
#include "render/FbxCheck.h"
#include "render/ProgramStatus.h"
#include "render/ResourceCache.h"
#include "render/Semantics.h"

#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>

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
        std::optional<std::string> bytes = datafile::read(file, datafile::MaxModelBytes);
        if (!bytes)
            return nullptr;
        return new MemoryStream(std::make_shared<const std::string>(std::move(*bytes)));
    }
    void Close(Assimp::IOStream* stream) override { delete stream; }

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

void processMesh(const aiMesh& source, Mesh& mesh, std::vector<Triangle>& triangles) {
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

    std::vector<unsigned> indices;
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

    mesh.setup(std::move(vertices), indices);
}

glm::vec3 materialColour(const aiMaterial* material, const char* key) {
    aiColor4D colour(0.0f, 0.0f, 0.0f, 0.0f);
    if (aiGetMaterialColor(material, key, 0, 0, &colour) != AI_SUCCESS)
        return glm::vec3(0.0f);
    return glm::vec3(colour.r, colour.g, colour.b);
}

std::unique_ptr<Material> processMaterial(const aiMaterial* source, ResourceCache& cache) {
    if (aiGetMaterialTextureCount(source, aiTextureType_DIFFUSE) == 0)
        return nullptr;
    aiString texturePath;
    if (aiGetMaterialTexture(source, aiTextureType_DIFFUSE, 0, &texturePath) != AI_SUCCESS)
        return nullptr;
    auto material = std::make_unique<Material>();
    material->texture = cache.texture(texturePath.C_Str());
    material->ambient = materialColour(source, "$clr.ambient");
    material->diffuse = materialColour(source, "$clr.diffuse");
    material->specular = materialColour(source, "$clr.specular");
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

    glBindVertexArray(0);
}

void Mesh::release() {
    vertexBuffer.reset();
    indexBuffer.reset();
    vertexArray.reset();
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

void Model::drawWithSecondTexture(const MaterialLocations& locations, int textureUnit,
                                  const Texture* second, int secondUnit) const {
    for (const Mesh& mesh : meshes) {
        const unsigned m = mesh.materialIndex;
        // A mesh without a material keeps whatever textures and colours are current.
        if (m < materials.size() && materials[m] != nullptr) {
            const Material& material = *materials[m];
            if (textureUnit != KeepBoundTextures)
                material.texture->bind(textureUnit);
            if (second != nullptr)
                second->bind(secondUnit);
            setMaterialColours(locations, material);
        }
        glBindVertexArray(mesh.vertexArray.get());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indexCount), GL_UNSIGNED_INT,
                       nullptr);
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

std::unique_ptr<Model> loadModel(const std::string& path, ResourceCache* given) {
    auto model = std::make_unique<Model>();
    const auto failed = [&path, &model](const std::string& reason) {
        if (!reason.empty())
            std::printf("%s: %s\n", path.c_str(), reason.c_str());
        std::printf("\n\nerror loading model %s\n\n", path.c_str());
        std::fflush(stdout);
        return std::move(model);
    };
    // Only a regular file of sane size: a pipe or a device would never end, a folder would load
    // as an empty scene.
    std::optional<std::string> file = datafile::read(path, datafile::MaxModelBytes);
    if (!file)
        return failed(std::string());
    // The importer would recurse without end (or too deep) on some FBX node graphs.
    if (hasFbxExtension(path) || fbxcheck::looksLikeFbx(*file)) {
        const std::string problem = fbxcheck::problem(*file);
        if (!problem.empty())
            return failed(problem);
    }
    Assimp::Importer importer;
    importer.SetIOHandler(
        new DataFileSystem(path, std::make_shared<const std::string>(std::move(*file))));
    const aiScene* scene = importer.ReadFile(path, ImportFlags);
    // A scene without meshes has nothing to draw or collide with: as good as no file.
    if (scene == nullptr || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) != 0 ||
        scene->mRootNode == nullptr || scene->mNumMeshes == 0)
        return failed(std::string());

    // Sized once before any mesh owns GL names, so no mesh is ever moved after its setup.
    model->meshes.resize(scene->mNumMeshes);
    model->materials.resize(scene->mNumMaterials);
    for (unsigned i = 0; i < scene->mNumMeshes; ++i)
        processMesh(*scene->mMeshes[i], model->meshes[i], model->triangles);
    CacheOrOwn cache(given);
    for (unsigned m = 0; m < scene->mNumMaterials; ++m)
        model->materials[m] = processMaterial(scene->mMaterials[m], *cache);
    return model;
}
