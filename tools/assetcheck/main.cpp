// Reads every model the asset builder wrote back the way the game does (assimp with
// Triangulate | FlipUVs) and checks what the game relies on: meshes, unit normals, texture sets,
// materials with diffuse textures, the enemy's size against its physics box, the breakable
// wall's face, and for each level a closed hull around the spawn point, free glide paths for the
// enemies and free flight paths from the spawn point to every breakable wall.
//   assetcheck <data folder> <level description folder>

#include "LevelDescription.h"
#include "VoxelLevel.h"
#include "platform/Report.h"

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <btBulletCollisionCommon.h>
#include <glm/glm.hpp>
#include <glm/gtc/quaternion.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace brindlemox::platform;

namespace {

namespace fs = std::filesystem;

int failures = 0;

void check(bool ok, const std::string& what) {
    if (!ok) {
        ++failures;
        report(Severity::Error, "FAIL " + what);
    }
}

struct LoadedModel {
    std::vector<std::vector<glm::vec3>> positions; // per mesh
    std::vector<std::vector<glm::vec3>> normals;
    std::vector<glm::vec3> triangles; // three corners per triangle, all meshes
    glm::vec3 lo{1e30f}, hi{-1e30f};
    bool ok = false;
};

// Loads like the game and checks the per-file facts; texSets is the exact number of texture
// coordinate sets every mesh must have. Models whose drawable brings its own texture (the water,
// the plain walls) must name none, or the mesh draw would bind it over theirs.
enum class Texturing { Material, OwnTexture };
LoadedModel loadModel(const fs::path& data, const std::string& relative, unsigned texSets,
                      Texturing texturing = Texturing::Material) {
    LoadedModel model;
    Assimp::Importer importer;
    const aiScene* scene =
        importer.ReadFile((data / relative).string(), aiProcess_Triangulate | aiProcess_FlipUVs);
    check(scene && !(scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) && scene->mRootNode,
          relative + ": loads");
    if (!scene || !scene->mRootNode)
        return model;
    check(scene->mNumMeshes > 0, relative + ": has meshes");
    size_t triangleCount = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        const std::string where = relative + " mesh " + std::to_string(m);
        check(mesh->mNumVertices > 0, where + ": has vertices");
        check(mesh->HasNormals(), where + ": has normals");
        unsigned sets = 0;
        while (sets < AI_MAX_NUMBER_OF_TEXTURECOORDS && mesh->mTextureCoords[sets])
            ++sets;
        check(sets == texSets, where + ": has " + std::to_string(texSets) +
                                   " texture sets (found " + std::to_string(sets) + ")");
        std::vector<glm::vec3> positions, normals;
        float worstNormal = 0.0f;
        for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
            const aiVector3D& p = mesh->mVertices[v];
            positions.emplace_back(p.x, p.y, p.z);
            model.lo = glm::min(model.lo, positions.back());
            model.hi = glm::max(model.hi, positions.back());
            if (mesh->HasNormals()) {
                const aiVector3D& n = mesh->mNormals[v];
                normals.emplace_back(n.x, n.y, n.z);
                worstNormal = std::max(worstNormal, std::fabs(glm::length(normals.back()) - 1.0f));
            }
            for (unsigned s = 0; s < sets; ++s) {
                const aiVector3D& t = mesh->mTextureCoords[s][v];
                check(std::isfinite(t.x) && std::isfinite(t.y), where + ": finite texture coords");
            }
        }
        check(worstNormal < 1e-3f,
              where + ": unit normals (worst deviation " + std::to_string(worstNormal) + ")");
        for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
            const aiFace& face = mesh->mFaces[f];
            if (face.mNumIndices != 3)
                continue;
            ++triangleCount;
            for (unsigned k = 0; k < 3; ++k)
                model.triangles.push_back(positions[face.mIndices[k]]);
        }
        // Light-map coordinates must stay on the atlas.
        if (sets == 2)
            for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
                const aiVector3D& t = mesh->mTextureCoords[1][v];
                if (t.x < 0.0f || t.x > 1.0f || t.y < 0.0f || t.y > 1.0f) {
                    check(false, where + ": light-map coordinates inside the atlas");
                    break;
                }
            }
        const aiMaterial* material = scene->mMaterials[mesh->mMaterialIndex];
        aiString texture;
        const bool hasTexture =
            material->GetTextureCount(aiTextureType_DIFFUSE) > 0 &&
            material->GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS;
        if (texturing == Texturing::Material)
            check(hasTexture, where + ": material has a diffuse texture");
        else
            check(!hasTexture, where + ": material names no texture (the drawable brings its own)");
        if (hasTexture) {
            const fs::path path(texture.C_Str());
            check(path.is_relative() && fs::exists(data / path),
                  where + ": texture '" + texture.C_Str() + "' exists relative to the data folder");
        }
        aiColor3D diffuse(0, 0, 0);
        check(material->Get(AI_MATKEY_COLOR_DIFFUSE, diffuse) == AI_SUCCESS && diffuse.r > 0.0f,
              where + ": material has a diffuse colour");
        model.positions.push_back(std::move(positions));
        model.normals.push_back(std::move(normals));
    }
    check(triangleCount > 0, relative + ": has triangles");
    std::printf("  %s: %u meshes, %zu triangles, extents (%.3f %.3f %.3f) .. (%.3f %.3f %.3f)\n",
                relative.c_str(), scene->mNumMeshes, triangleCount, model.lo.x, model.lo.y,
                model.lo.z, model.hi.x, model.hi.y, model.hi.z);
    model.ok = true;
    return model;
}

// The game's placement: T * R * S with R from Euler angles in degrees through a quaternion.
glm::mat4 placement(const levels::Placement& p) {
    const glm::vec3 angles = glm::radians(glm::vec3(p.angles[0], p.angles[1], p.angles[2]));
    const glm::vec3 c = glm::cos(angles * 0.5f), s = glm::sin(angles * 0.5f);
    const glm::quat q(c.x * c.y * c.z + s.x * s.y * s.z, s.x * c.y * c.z - c.x * s.y * s.z,
                      c.x * s.y * c.z + s.x * c.y * s.z, c.x * c.y * s.z - s.x * s.y * c.z);
    const glm::mat4 t =
        glm::translate(glm::mat4(1.0f), glm::vec3(p.position[0], p.position[1], p.position[2]));
    return t * glm::mat4_cast(q) * glm::scale(glm::mat4(1.0f), glm::vec3(p.scale));
}

glm::vec3 toGlm(const levels::Vec3& v) {
    return {v[0], v[1], v[2]};
}
btVector3 toBt(const glm::vec3& v) {
    return {v.x, v.y, v.z};
}

// A static collision world built from triangle lists the way the game builds its static bodies.
class StaticWorld {
  public:
    StaticWorld()
        : dispatcher_(&configuration_), world_(&dispatcher_, &broadphase_, &configuration_) {}

    void add(const std::vector<glm::vec3>& triangles, const glm::mat4& matrix) {
        auto mesh = std::make_unique<btTriangleMesh>(true, true);
        for (size_t i = 0; i + 2 < triangles.size(); i += 3) {
            btVector3 corner[3];
            for (int k = 0; k < 3; ++k)
                corner[k] = toBt(glm::vec3(matrix * glm::vec4(triangles[i + k], 1.0f)));
            mesh->addTriangle(corner[0], corner[1], corner[2], false);
        }
        auto shape = std::make_unique<btBvhTriangleMeshShape>(mesh.get(), true, true);
        auto object = std::make_unique<btCollisionObject>();
        object->setCollisionShape(shape.get());
        world_.addCollisionObject(object.get());
        meshes_.push_back(std::move(mesh));
        shapes_.push_back(std::move(shape));
        objects_.push_back(std::move(object));
    }

    bool rayHits(const glm::vec3& from, const glm::vec3& to) {
        btCollisionWorld::ClosestRayResultCallback result(toBt(from), toBt(to));
        world_.rayTest(toBt(from), toBt(to), result);
        return result.hasHit();
    }

    // Deepest penetration of a box centred at centre, 0 when it touches nothing.
    float penetration(const glm::vec3& centre, const glm::vec3& halfExtents) {
        btBoxShape box(toBt(halfExtents));
        btCollisionObject probe;
        probe.setCollisionShape(&box);
        btTransform transform;
        transform.setIdentity();
        transform.setOrigin(toBt(centre));
        probe.setWorldTransform(transform);
        struct Deepest : btCollisionWorld::ContactResultCallback {
            float depth = 0.0f;
            btScalar addSingleResult(btManifoldPoint& point, const btCollisionObjectWrapper*, int,
                                     int, const btCollisionObjectWrapper*, int, int) override {
                depth = std::min(depth, static_cast<float>(point.getDistance()));
                return 0;
            }
        } deepest;
        world_.contactTest(&probe, deepest);
        return -deepest.depth;
    }

    // Largest penetration of the box swept along the segment, sampled every quarter unit.
    float sweep(const glm::vec3& a, const glm::vec3& b, const glm::vec3& halfExtents) {
        const int steps = std::max(1, static_cast<int>(std::ceil(glm::length(b - a) / 0.25f)));
        float worst = 0.0f;
        for (int i = 0; i <= steps; ++i)
            worst = std::max(worst, penetration(a + (b - a) * (float(i) / steps), halfExtents));
        return worst;
    }

  private:
    btDefaultCollisionConfiguration configuration_;
    btCollisionDispatcher dispatcher_;
    btDbvtBroadphase broadphase_;
    btCollisionWorld world_;
    std::vector<std::unique_ptr<btTriangleMesh>> meshes_;
    std::vector<std::unique_ptr<btBvhTriangleMeshShape>> shapes_;
    std::vector<std::unique_ptr<btCollisionObject>> objects_;
};

// The level's surface texture is projected along each face's axis at one repeat per tile; seeing
// exactly that after import (with the game's v flip) shows the file keeps its texture sets as
// written, which the light-map set relies on too.
void checkPlanarTexture(const fs::path& data, const levels::LevelDescription& level) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile((data / level.modelPath).string(),
                                             aiProcess_Triangulate | aiProcess_FlipUVs);
    if (!scene)
        return;
    float worst = 0.0f;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* mesh = scene->mMeshes[m];
        for (unsigned v = 0; v < mesh->mNumVertices && mesh->mTextureCoords[0]; ++v) {
            const aiVector3D& p = mesh->mVertices[v];
            const aiVector3D& n = mesh->mNormals[v];
            const glm::vec2 planar = std::fabs(n.x) > 0.5f   ? glm::vec2(p.z, p.y)
                                     : std::fabs(n.y) > 0.5f ? glm::vec2(p.x, p.z)
                                                             : glm::vec2(p.x, p.y);
            const glm::vec2 expected(planar.x / level.tileSize, 1.0f - planar.y / level.tileSize);
            const aiVector3D& t = mesh->mTextureCoords[0][v];
            worst = std::max(worst, glm::length(glm::vec2(t.x, t.y) - expected));
        }
    }
    check(worst < 1e-3f, level.name + ": texture coordinates survive the file unchanged (worst " +
                             std::to_string(worst) + ")");
}

constexpr float kTolerance = 0.01f; // penetration Bullet reports for boxes merely touching
constexpr float kFarPlane = 230.0f;
constexpr float kReach = 5.5f;
const glm::vec3 kPlayerHalf(1.0f, 1.0f, 1.0f);
const glm::vec3 kEnemyHalf(4.78215f, 4.35085f, 4.9009f);

void checkLevel(const fs::path& data, const levels::LevelDescription& level,
                const LoadedModel& wall, const LoadedModel& slab) {
    const LoadedModel map = loadModel(data, level.modelPath, level.lightMapped ? 2 : 1);
    if (!map.ok || !wall.ok || !slab.ok)
        return;
    const std::string name = level.name;
    checkPlanarTexture(data, level);

    // The hull is the level description's carved space, so its bounds must match exactly.
    glm::vec3 lo(1e30f), hi(-1e30f);
    for (const auto& box : level.boxes)
        if (box.open)
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], float(box.min[a]));
                hi[a] = std::max(hi[a], float(box.max[a]));
            }
    check(glm::length(map.lo - lo) < 1e-3f && glm::length(map.hi - hi) < 1e-3f,
          name + ": geometry bounds match the description (no unit scaling on import)");

    StaticWorld mapOnly;
    mapOnly.add(map.triangles, glm::mat4(1.0f));
    StaticWorld everything;
    everything.add(map.triangles, glm::mat4(1.0f));
    for (const auto& w : level.walls)
        everything.add(wall.triangles, placement(w));
    for (const auto& s : level.slabs)
        everything.add(slab.triangles, placement(s));

    // Closed: rays from the spawn point in every direction end on the level within the far plane.
    const glm::vec3 spawn = toGlm(level.spawn);
    const int rays = 4000;
    int misses = 0;
    for (int i = 0; i < rays; ++i) {
        const float y = 1.0f - 2.0f * (i + 0.5f) / rays;
        const float r = std::sqrt(1.0f - y * y);
        const float a = 2.39996323f * i;
        const glm::vec3 d(r * std::cos(a), y, r * std::sin(a));
        if (!mapOnly.rayHits(spawn, spawn + d * kFarPlane))
            ++misses;
    }
    check(misses == 0, name + ": all " + std::to_string(rays) +
                           " rays from the spawn point hit the level (" + std::to_string(misses) +
                           " missed)");
    check(everything.penetration(spawn, kPlayerHalf) < kTolerance, name + ": spawn point is free");

    const levels::VoxelLevel voxels(level.boxes);
    for (size_t i = 0; i < level.lights.size(); ++i)
        check(voxels.isOpenAt(level.lights[i].position),
              name + ": light " + std::to_string(i) + " is in open space");
    for (const auto& water : level.waters) {
        const glm::vec3 p = toGlm(water.position) + glm::vec3(0.0f, 0.5f, 0.0f);
        check(voxels.isOpenAt({p.x, p.y, p.z}), name + ": water surface lies in open space");
    }

    for (size_t i = 0; i < level.enemies.size(); ++i) {
        const auto& enemy = level.enemies[i];
        glm::vec3 end = toGlm(enemy.position);
        end[enemy.axis] += 16.0f;
        const float depth = everything.sweep(toGlm(enemy.position), end, kEnemyHalf);
        check(depth < kTolerance, name + ": enemy " + std::to_string(i) +
                                      " glides 16 units freely (depth " + std::to_string(depth) +
                                      ")");
    }

    check(level.routes.size() == level.walls.size(), name + ": one route per breakable wall");
    for (const auto& route : level.routes) {
        const std::string which = name + " route to wall " + std::to_string(route.wall);
        check(glm::length(toGlm(route.points.front()) - spawn) < 1e-4f,
              which + ": starts at the spawn point");
        float worst = 0.0f;
        for (size_t k = 0; k + 1 < route.points.size(); ++k)
            worst = std::max(worst, everything.sweep(toGlm(route.points[k]),
                                                     toGlm(route.points[k + 1]), kPlayerHalf));
        check(worst < kTolerance,
              which + ": the player's box flies it freely (depth " + std::to_string(worst) + ")");
        if (route.wall < 0 || route.wall >= int(level.walls.size()))
            continue;
        // The game's attack test: first vertex placed, its model-space normal, strict reach.
        const glm::mat4 m = placement(level.walls[route.wall]);
        const glm::vec3 camera = toGlm(route.points.back());
        const glm::vec3 first = glm::vec3(m * glm::vec4(wall.positions[0][0], 1.0f));
        const glm::vec3 modelNormal = wall.normals[0][0];
        check(glm::dot(modelNormal, camera - first) < kReach,
              which + ": ends within the attack reach");
        // And face on: in front of the placed face, closer than the reach.
        const glm::vec3 faceNormal = glm::normalize(glm::vec3(m * glm::vec4(modelNormal, 0.0f)));
        const float distance = glm::dot(faceNormal, camera - first);
        check(distance > 1.0f && distance < kReach, which + ": ends face on, " +
                                                        std::to_string(distance) +
                                                        " units in front of the face");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        report(Severity::Error,
               std::string("usage: ") + argv[0] + " <data folder> <level description folder>");
        return 2;
    }
    const fs::path data = argv[1];
    const fs::path levelFolder = argv[2];

    const LoadedModel cell = loadModel(data, "Obj/cell.obj", 1);
    if (cell.ok) {
        const glm::vec3 half = (cell.hi - cell.lo) * 0.5f * 0.5f; // drawn at scale 0.5
        for (int a = 0; a < 3; ++a)
            check(std::fabs(half[a] - kEnemyHalf[a]) <= 0.05f * kEnemyHalf[a],
                  "cell at scale 0.5 matches its box on axis " + std::to_string(a) + " (" +
                      std::to_string(half[a]) + " vs " + std::to_string(kEnemyHalf[a]) + ")");
        const glm::vec3 centre = (cell.hi + cell.lo) * 0.5f;
        check(glm::length(centre) < 0.05f, "cell is centred on its origin");
    }
    loadModel(data, "Obj/cellComponent.obj", 1);
    loadModel(data, "Obj/plane.obj", 1, Texturing::OwnTexture);
    const LoadedModel slab = loadModel(data, "Obj/simpleWall.obj", 1, Texturing::OwnTexture);
    if (slab.ok)
        check(std::fabs(slab.hi.y) < 1e-5f && std::fabs(slab.hi.x - 1.0f) < 1e-5f &&
                  std::fabs(slab.lo.z + 1.0f) < 1e-5f,
              "plain wall is a 2 x 2 slab with its face on y = 0");
    const LoadedModel wall = loadModel(data, "Obj/vulnerablePath.obj", 1);
    if (wall.ok) {
        const auto& p = wall.positions[0];
        check(std::fabs(p[0].x - wall.hi.x) < 1e-5f,
              "breakable wall: first vertex lies on the +x face");
        check(glm::length(wall.normals[0][0] - glm::vec3(1, 0, 0)) < 1e-5f,
              "breakable wall: first vertex normal is +x");
        const glm::vec3 emitter = glm::length(p[1] - p[0]) > glm::length(p[2] - p[0])
                                      ? (p[0] + p[1]) * 0.5f
                                      : (p[0] + p[2]) * 0.5f;
        std::printf("  breakable wall emitter at (%.2f %.2f %.2f) in model space\n", emitter.x,
                    emitter.y, emitter.z);
        check(std::fabs(emitter.x - wall.hi.x) < 1e-5f, "breakable wall: emitter lies on the face");
    }

    for (const char* name : {"level1.txt", "level2.txt", "level3.txt"}) {
        const Result<levels::LevelDescription> level =
            levels::readLevel((levelFolder / name).string());
        if (level)
            checkLevel(data, *level, wall, slab);
        else
            check(false, level.error());
    }
    if (failures == 0)
        std::printf("assetcheck: all checks passed\n");
    else
        std::printf("assetcheck: %d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
