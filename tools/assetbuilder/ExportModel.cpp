#include "MeshData.h"

#include <assimp/Exporter.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <memory>
#include <stdexcept>

namespace assets {

namespace {

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

void exportModel(const ModelData& model, const std::string& formatId, const std::string& path) {
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
    if (exporter.Export(scene.get(), formatId, path) != AI_SUCCESS)
        throw std::runtime_error("exporting " + path + " failed: " + exporter.GetErrorString());
}

} // namespace assets
