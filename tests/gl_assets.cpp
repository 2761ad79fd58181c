// The game data read back through the game's own loader: what the levels and entities rely on.
#include "render/Model.h"
#include "render/StaticMeshBody.h"
#include "support/BulletWorld.h"
#include "support/Checks.h"
#include "support/GlContext.h"

#include <btBulletDynamicsCommon.h>
#include <glm/geometric.hpp>

#include <cmath>
#include <cstdio>

using namespace brindlemox::render;

namespace {

std::unique_ptr<Model> load(const std::string& path) {
    std::unique_ptr<Model> model;
    const std::string out = checks::captureReports([&] { model = loadModel(path); });
    EXPECT_EQ(out.find("error loading model"), std::string::npos) << out;
    EXPECT_EQ(out.find("Failed to load texture"), std::string::npos) << out;
    return model;
}

struct Extents {
    glm::vec3 min{1e9f}, max{-1e9f};
};

Extents extentsOf(const Model& model) {
    Extents e;
    for (const glm::vec3& p : model.getVertexPositions()) {
        e.min = glm::min(e.min, p);
        e.max = glm::max(e.max, p);
    }
    return e;
}

class AssetsTest : public GlTest {};

} // namespace

TEST_F(AssetsTest, EveryModelHasMeshesNormalsTextureCoordinatesAndMaterials) {
    // The water and the plain walls are seen through textures of their own: their models must
    // carry no material texture for the mesh draw to bind over those.
    const struct {
        const char* path;
        bool materialTexture;
    } models[] = {{"Obj/level1.2.obj", true},    {"Obj/level2.fbx", true},
                  {"Obj/cell.obj", true},        {"Obj/cellComponent.obj", true},
                  {"Obj/simpleWall.obj", false}, {"Obj/vulnerablePath.obj", true},
                  {"Obj/plane.obj", false}};
    for (const auto& [path, materialTexture] : models) {
        SCOPED_TRACE(path);
        auto model = load(path);
        ASSERT_GT(model->getMeshCount(), 0u);
        EXPECT_FALSE(model->getTriangles().empty());
        bool anyMaterial = false;
        for (const auto& material : model->getMaterials())
            anyMaterial =
                anyMaterial || (material && material->texture && material->texture->getName() != 0);
        EXPECT_EQ(anyMaterial, materialTexture) << "material with a diffuse texture";
        for (size_t m = 0; m < model->getMeshCount(); ++m) {
            const Mesh& mesh = model->getMesh(m);
            ASSERT_FALSE(mesh.vertices.empty());
            for (const Vertex& v : mesh.vertices)
                ASSERT_NEAR(glm::length(v.normal), 1.0f, 1e-3f);
            // Only the light-mapped level carries a second texture set.
            const bool lightMapped = std::string(path) == "Obj/level2.fbx";
            EXPECT_EQ(mesh.vertices[0].lightMapCoord.x != -99999.0f, lightMapped);
        }
    }
}

TEST_F(AssetsTest, TheEnemyFillsItsPhysicsBoxAtHalfScale) {
    auto cell = load("Obj/cell.obj");
    const Extents e = extentsOf(*cell);
    const glm::vec3 half = (e.max - e.min) * 0.5f * 0.5f;
    const glm::vec3 box(4.78215f, 4.35085f, 4.9009f);
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(half[axis], box[axis], box[axis] * 0.05f) << "axis " << axis;
}

TEST_F(AssetsTest, LevelsAreClosedAroundTheSpawnPointAndLeaveTheEnemiesRoom) {
    struct LevelData {
        const char* path;
        std::vector<std::pair<glm::vec3, int>> enemies; // start and axis
    };
    const LevelData levels[] = {{"Obj/level1.2.obj", {{{8, 6, 0}, 0}, {{16, 6, 32}, 2}}},
                                {"Obj/level2.fbx",
                                 {{{40, 4, -56}, 0},
                                  {{0, 80, -35}, 1},
                                  {{0, 80, -75}, 1},
                                  {{96, -130, -30}, 1},
                                  {{96, -130, -78}, 1}}}};
    for (const LevelData& level : levels) {
        SCOPED_TRACE(level.path);
        auto model = load(level.path);
        StaticMeshBody body = StaticMeshBody::build(model->getTriangles(), glm::mat4(1.0f));
        ASSERT_NE(body.body, nullptr);
        testphysics::BulletWorld physics;
        btCollisionWorld& world = physics.world;
        world.addCollisionObject(body.body.get());

        // Rays from the spawn point in every direction meet geometry within the far plane.
        const btVector3 spawn(0, 8, 0);
        int escaped = 0;
        const int steps = 24;
        for (int i = 0; i <= steps; ++i)
            for (int j = 0; j < 2 * steps; ++j) {
                const double theta = M_PI * i / steps, phi = M_PI * j / steps;
                const btVector3 d(std::sin(theta) * std::cos(phi), std::cos(theta),
                                  std::sin(theta) * std::sin(phi));
                escaped += !physics.rayHits(spawn, spawn + d * 230);
            }
        EXPECT_EQ(escaped, 0);

        // Each enemy's box, swept along its 16 units, touches no level geometry.
        btBoxShape box(btVector3(4.78215f, 4.35085f, 4.9009f));
        auto penetrations = [&](const glm::vec3& p) {
            btCollisionObject probe;
            probe.setCollisionShape(&box);
            btTransform at;
            at.setIdentity();
            at.setOrigin(btVector3(p.x, p.y, p.z));
            probe.setWorldTransform(at);
            struct Touch : btCollisionWorld::ContactResultCallback {
                int contacts = 0;
                btScalar addSingleResult(btManifoldPoint& point, const btCollisionObjectWrapper*,
                                         int, int, const btCollisionObjectWrapper*, int,
                                         int) override {
                    contacts += point.getDistance() < 0;
                    return 0;
                }
            } touch;
            world.contactTest(&probe, touch);
            return touch.contacts;
        };
        // A box centred on the floor under the spawn point does touch: the probe works.
        btVector3 floor;
        ASSERT_TRUE(physics.rayHits(spawn, spawn - btVector3(0, 230, 0), &floor));
        EXPECT_GT(penetrations({floor.x(), floor.y(), floor.z()}), 0);
        for (const auto& [start, axis] : level.enemies)
            for (float t = 0; t <= 16.0f; t += 0.5f) {
                glm::vec3 p = start;
                p[axis] += t;
                EXPECT_EQ(penetrations(p), 0)
                    << "enemy from (" << start.x << ", " << start.y << ", " << start.z
                    << ") meets the level " << t << " units along its path";
            }
        world.removeCollisionObject(body.body.get());
    }
}
