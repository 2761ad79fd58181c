#include "render/Model.h"
#include "platform/Report.h"

#include "platform/Printable.h"
#include "render/Frustum.h"
#include "render/ProgramStatus.h"
#include "render/ResourceCache.h"

#include <glm/geometric.hpp>
#include <glm/matrix.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <utility>

namespace brindlemox::render {

using namespace platform;

namespace {

void setMaterialColours(const MaterialLocations& at, const Material& material) {
    glUniform3f(at.ambient, material.ambient.r, material.ambient.g, material.ambient.b);
    glUniform3f(at.diffuse, material.diffuse.r, material.diffuse.g, material.diffuse.b);
    glUniform3f(at.specular, material.specular.r, material.specular.g, material.specular.b);
}

std::string readAheadKey(const std::string& path) {
    return std::string(Model::CacheKind) + "/" + path;
}

} // namespace

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

void Model::drawNearestFirst(const MaterialLocations& locations, int textureUnit,
                             const Texture* second, int secondUnit, const glm::mat4& modelMatrix,
                             const Frustum& frustum) const {
    RegionDraw draw;
    for (const Mesh& mesh : meshes) {
        bindMaterial(mesh, locations, textureUnit, second, secondUnit);
        draw.collect(mesh, modelMatrix, frustum);
        if (draw.counts.empty())
            continue;
        glBindVertexArray(mesh.vertexArray.get());
        draw.draw();
    }
    glBindVertexArray(0);
}

void RegionDraw::collect(const Mesh& mesh, const glm::mat4& modelMatrix, const Frustum& frustum) {
    const glm::vec3 eye(glm::inverse(modelMatrix) * glm::vec4(frustum.getEye(), 1.0f));
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
        order.emplace_back(std::isnan(distance) ? std::numeric_limits<float>::infinity() : distance,
                           &region);
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
}

void RegionDraw::draw() const {
    glMultiDrawElements(GL_TRIANGLES, counts.data(), GL_UNSIGNED_INT, offsets.data(),
                        static_cast<GLsizei>(counts.size()));
}

std::vector<glm::vec3> Model::getVertexPositions() const {
    std::vector<glm::vec3> positions;
    for (const Mesh& mesh : meshes)
        for (const Vertex& v : mesh.vertices)
            positions.push_back(v.position);
    return positions;
}

std::unique_ptr<Model> buildModel(const std::string& path, ModelData data, ResourceCache* given) {
    auto model = std::make_unique<Model>();
    if (data.failed) {
        if (!data.problem.empty())
            report(Severity::Error, path + ": " + data.problem);
        report(Severity::Error, "error loading model " + path);
        return model;
    }
    for (const std::string& warning : data.warnings)
        report(Severity::Warning, path + ": " + warning + "; it is drawn without it");
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

std::shared_ptr<const Model> sharedModel(ResourceCache& cache, const std::string& path) {
    return cache.shared<Model>(Model::CacheKind, path, [&]() -> std::shared_ptr<const Model> {
        if (std::optional<ModelData> read = cache.takeReadAhead<ModelData>(readAheadKey(path)))
            return buildModel(path, std::move(*read), &cache);
        return loadModel(path, &cache);
    });
}

ResourceCache::ReadJob modelReadAhead(const std::string& path) {
    return {readAheadKey(path), [path] {
                ResourceCache::Read read;
                ModelData data = readModel(path);
                for (const std::optional<ModelData::MaterialData>& material : data.materials)
                    if (material)
                        read.images.push_back(material->texturePath);
                read.value = std::move(data);
                return read;
            }};
}

ResourceCache::ReadJob modelReadAhead(const std::string& path, ModelData read) {
    auto data = std::make_shared<ModelData>(std::move(read));
    return {readAheadKey(path), [data] {
                ResourceCache::Read read;
                for (const std::optional<ModelData::MaterialData>& material : data->materials)
                    if (material)
                        read.images.push_back(material->texturePath);
                read.value = std::move(*data);
                return read;
            }};
}

} // namespace brindlemox::render
