#pragma once

// Triangle meshes as the builder assembles them before export.

#include "platform/Report.h"

#include <glm/glm.hpp>

#include <string>
#include <vector>

namespace assets {

struct MeshData {
    std::vector<glm::vec3> positions;
    std::vector<glm::vec3> normals;
    std::vector<glm::vec2> uv0;
    std::vector<glm::vec2> uv1; // empty unless the mesh carries a light-map set
    std::vector<unsigned> indices;
    unsigned material = 0;

    unsigned addVertex(const glm::vec3& p, const glm::vec3& n, const glm::vec2& t) {
        positions.push_back(p);
        normals.push_back(n);
        uv0.push_back(t);
        return static_cast<unsigned>(positions.size() - 1);
    }
    void addTriangle(unsigned a, unsigned b, unsigned c) {
        indices.insert(indices.end(), {a, b, c});
    }
    // Corners counter-clockwise seen from the side the normal points to.
    void addQuad(const glm::vec3 p[4], const glm::vec3& n, const glm::vec2 t[4]) {
        const unsigned base = addVertex(p[0], n, t[0]);
        for (int k = 1; k < 4; ++k)
            addVertex(p[k], n, t[k]);
        addTriangle(base, base + 1, base + 2);
        addTriangle(base, base + 2, base + 3);
    }
};

struct MaterialData {
    std::string name;
    // Relative to the data folder, stored as the game loads it. Empty for models whose drawable
    // brings its own texture (the water, the plain walls): the file then names none.
    std::string texture;
    glm::vec3 ambient{0.3f};
    glm::vec3 diffuse{1.0f};
    glm::vec3 specular{0.2f};
};

struct ModelData {
    std::vector<MeshData> meshes;
    std::vector<MaterialData> materials;
};

// Writes the model with assimp's exporter; formatId is "obj" or "fbxa". An OBJ model's material
// file goes beside it. Each file is written whole.
brindlemox::platform::Result<void> exportModel(const ModelData& model, const std::string& formatId,
                                               const std::string& path);

} // namespace assets
