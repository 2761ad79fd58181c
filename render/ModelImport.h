#pragma once

#include "render/MeshRegion.h"
#include "render/Vertex.h"

#include <glm/vec3.hpp>

#include <optional>
#include <string>
#include <vector>

namespace brindlemox::render {

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
    std::string reason;  // why it failed, in a few words ("No such file or directory")
    // Said of a model that loads but draws without some of its materials (one line each).
    std::vector<std::string> warnings;
};

// Reads a model file through assimp (triangulated, texture v flipped): no GL, prints nothing,
// runs on any thread. Only regular files of at most 256 MiB are read (the model and any file it
// names); a scene without meshes is a failure; an FBX file whose node graph loops or runs too
// deep is refused before the importer sees it, with the reason in problem.
ModelData readModel(const std::string& path);

} // namespace brindlemox::render
