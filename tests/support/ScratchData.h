#pragma once

// A private data folder for the entity and effect GL tests. Shader and texture groups are copied
// from the game's data folder when all their files exist there; otherwise small stand-ins are
// written, so the C++ side can be tested before (or without) the real assets. The wall and water
// models are always the test's own unit quad, so geometry-dependent rules have known inputs.

#include "support/Files.h"
#include "support/GlContext.h"

#include <stb_image_write.h>

#include <filesystem>
#include <string>
#include <vector>

namespace scratch {

namespace detail {

struct Group {
    std::vector<std::string> names;
    std::vector<std::string> standIns;
};

inline const char* ParticleVS = R"(#version 330 core
layout(location = 0) in float type;
layout(location = 1) in vec3 position;
layout(location = 2) in vec3 direction;
layout(location = 3) in float age;
out float type0;
out vec3 position0;
out vec3 direction0;
out float age0;
void main() { type0 = type; position0 = position; direction0 = direction; age0 = age; }
)";

inline const char* ParticleGS = R"(#version 330 core
layout(points) in;
layout(points, max_vertices = 9) out;
in float type0[];
in vec3 position0[];
in vec3 direction0[];
in float age0[];
out float typeVarying;
out vec3 positionVarying;
out vec3 directionVarying;
out float ageVarying;
uniform int isSpawn;
uniform float deltaTime;
uniform float launchTime;
uniform float spreadTime;
uniform int randomTextureSize;
uniform sampler1D randomTexture;
void main() {
    float age = age0[0] + deltaTime;
    if (type0[0] == 0.0) {
        bool launch = isSpawn == 1 && age >= launchTime;
        typeVarying = 0.0;
        positionVarying = position0[0];
        directionVarying = direction0[0];
        ageVarying = launch ? 0.0 : age;
        EmitVertex();
        EndPrimitive();
        if (launch) {
            for (int i = 0; i < 8; ++i) {
                float s = (float(i) + 0.5) / float(randomTextureSize);
                vec3 spread = texture(randomTexture, s).xyz - vec3(0.5);
                typeVarying = 1.0;
                positionVarying = position0[0];
                directionVarying = normalize(direction0[0] + 2.0 * spread) * 3.0;
                ageVarying = 0.0;
                EmitVertex();
                EndPrimitive();
            }
        }
    } else if (age < spreadTime) {
        typeVarying = 1.0;
        positionVarying = position0[0] + direction0[0] * deltaTime;
        directionVarying = direction0[0];
        ageVarying = age;
        EmitVertex();
        EndPrimitive();
    }
}
)";

inline const char* BillboardVS = R"(#version 330 core
layout(location = 0) in vec3 position;
void main() { gl_Position = vec4(position, 1.0); }
)";

inline const char* BillboardGS = R"(#version 330 core
layout(points) in;
layout(triangle_strip, max_vertices = 4) out;
uniform mat4 viewProjectionMatrix;
uniform vec3 cameraPos;
uniform float size;
out vec2 texCoord;
void main() {
    vec3 p = gl_in[0].gl_Position.xyz;
    vec3 toCamera = normalize(cameraPos - p);
    vec3 right = normalize(cross(toCamera, vec3(0.0, 1.0, 0.0))) * size * 20.0;
    vec3 up = vec3(0.0, 1.0, 0.0) * size * 20.0;
    vec2 corners[4] = vec2[](vec2(-1, -1), vec2(1, -1), vec2(-1, 1), vec2(1, 1));
    for (int i = 0; i < 4; ++i) {
        gl_Position = viewProjectionMatrix * vec4(p + corners[i].x * right + corners[i].y * up, 1.0);
        texCoord = corners[i] * 0.5 + 0.5;
        EmitVertex();
    }
    EndPrimitive();
}
)";

inline const char* BillboardFS = R"(#version 330 core
in vec2 texCoord;
uniform sampler2D textureSampler;
out vec4 colour;
void main() {
    colour = texture(textureSampler, texCoord);
    if (colour.r < 0.1)
        discard;
}
)";

inline const char* WaterVS = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 texCoord;
uniform mat4 mvp;
uniform mat4 modelMat;
uniform vec4 plane;
out vec2 uv;
out vec3 worldPosition;
void main() {
    vec4 world = modelMat * vec4(position, 1.0);
    gl_ClipDistance[0] = dot(world, plane);
    worldPosition = world.xyz;
    uv = texCoord.xy;
    gl_Position = mvp * vec4(position, 1.0);
}
)";

inline const char* WaterFS = R"(#version 330 core
in vec2 uv;
in vec3 worldPosition;
uniform sampler2D reflectionTexture;
uniform sampler2D refractionTexture;
uniform sampler2D dudvMap;
uniform sampler2D normalMap;
uniform float moveFactor;
uniform vec3 cameraPos;
uniform float alpha;
out vec4 colour;
void main() {
    vec2 d = texture(dudvMap, uv + vec2(moveFactor, 0.0)).rg * 0.02;
    vec3 n = texture(normalMap, uv + d).rgb;
    float facing = abs(normalize(cameraPos - worldPosition).y);
    vec4 mixed = mix(texture(reflectionTexture, uv + d), texture(refractionTexture, uv + d), facing);
    colour = vec4(mixed.rgb * (0.5 + 0.5 * n.b), alpha);
}
)";

inline const char* DebugVS = R"(#version 330 core
layout(location = 0) in vec3 position;
uniform mat4 mvp;
void main() { gl_Position = mvp * vec4(position, 1.0); }
)";

inline const char* DebugFS = R"(#version 330 core
out vec4 colour;
void main() { colour = vec4(0.0, 1.0, 0.0, 1.0); }
)";

// A unit quad in the z = 0 plane facing +z. Its first triangle is (-1,-1), (1,-1), (1,1): the
// longer edge from the first vertex is the diagonal, whose middle is the origin.
inline const char* QuadObj = R"(v -1 -1 0
v 1 -1 0
v 1 1 0
v -1 1 0
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vn 0 0 1
f 1/1/1 2/2/1 3/3/1
f 1/1/1 3/3/1 4/4/1
)";

// The same quad with a textured material, for the models whose drawables bind their own textures
// (water, plain walls): the mesh draw must not bind the material's texture over theirs.
inline std::string paintedQuadObj() {
    return std::string("mtllib painted.mtl\nusemtl painted\n") + QuadObj;
}
inline const char* PaintedMtl = "newmtl painted\nKd 1 1 1\nKa 1 1 1\nmap_Kd Texture/painted.png\n";

inline void writeGroup(const std::filesystem::path& root, const Group& group) {
    const std::filesystem::path real = std::filesystem::path(testgl::dataDir()) / "Shader";
    bool allReal = true;
    for (const std::string& name : group.names)
        allReal = allReal && std::filesystem::exists(real / name);
    for (size_t i = 0; i < group.names.size(); ++i) {
        const std::filesystem::path target = root / "Shader" / group.names[i];
        std::filesystem::create_directories(target.parent_path());
        if (allReal)
            std::filesystem::copy_file(real / group.names[i], target,
                                       std::filesystem::copy_options::overwrite_existing);
        else
            testfiles::writeFile(target, group.standIns[i]);
    }
}

// A bright disc on black, size x size RGB.
inline std::vector<unsigned char> disc(int size) {
    std::vector<unsigned char> rgb(static_cast<size_t>(size) * size * 3, 0);
    const float r = size * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float dx = x + 0.5f - r, dy = y + 0.5f - r;
            if (dx * dx + dy * dy < r * r)
                for (int c = 0; c < 3; ++c)
                    rgb[(static_cast<size_t>(y) * size + x) * 3 + c] = 255;
        }
    return rgb;
}

inline void copyOrWriteImage(const std::filesystem::path& root, const std::string& name) {
    const std::filesystem::path real = std::filesystem::path(testgl::dataDir()) / "Texture" / name;
    const std::filesystem::path target = root / "Texture" / name;
    std::filesystem::create_directories(target.parent_path());
    if (std::filesystem::exists(real)) {
        std::filesystem::copy_file(real, target, std::filesystem::copy_options::overwrite_existing);
        return;
    }
    const std::vector<unsigned char> pixels = disc(16);
    if (target.extension() == ".bmp")
        stbi_write_bmp(target.string().c_str(), 16, 16, 3, pixels.data());
    else
        stbi_write_png(target.string().c_str(), 16, 16, 3, pixels.data(), 16 * 3);
}

} // namespace detail

// Builds the folder once per process and returns its path.
inline const std::string& dataDir() {
    static const std::string path = [] {
        namespace fs = std::filesystem;
        const fs::path root = fs::path(::testing::TempDir()) / "brindlemox_entities_data";
        fs::remove_all(root);
        using detail::Group;
        detail::writeGroup(root, Group{{"particleVS.vs", "particleGS.gs"},
                                       {detail::ParticleVS, detail::ParticleGS}});
        detail::writeGroup(root,
                           Group{{"billboardVS.vs", "billboardGS.gs", "billboardFS.fs"},
                                 {detail::BillboardVS, detail::BillboardGS, detail::BillboardFS}});
        detail::writeGroup(root, Group{{"WaterMeshVS.vs", "WaterMeshFS.fs", "lights.glsl"},
                                       {detail::WaterVS, detail::WaterFS, ""}});
        detail::writeGroup(
            root, Group{{"debugDrawVS.vs", "debugDrawFS.fs"}, {detail::DebugVS, detail::DebugFS}});
        for (const char* image :
             {"particleSystem.bmp", "waterDUDV.png", "normalMap.png", "painted.png"})
            detail::copyOrWriteImage(root, image);
        for (const char* model : {"vulnerablePath.obj", "cell.obj", "cellComponent.obj"})
            testfiles::writeFile(root / "Obj" / model, detail::QuadObj);
        for (const char* model : {"simpleWall.obj", "plane.obj"})
            testfiles::writeFile(root / "Obj" / model, detail::paintedQuadObj());
        testfiles::writeFile(root / "Obj" / "painted.mtl", detail::PaintedMtl);
        return root.string();
    }();
    return path;
}

} // namespace scratch
