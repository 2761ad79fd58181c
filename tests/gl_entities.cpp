#include "gameplay/CellComponent.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/SimpleWall.h"
#include "gameplay/VulnerableWall.h"
#include "platform/Config.h"
#include "platform/Controls.h"
#include "render/Camera.h"
#include "render/ScenePasses.h"
#include "render/ShaderLoader.h"
#include "support/Checks.h"
#include "support/GlContext.h"
#include "support/ScratchData.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>
#include <btBulletDynamicsCommon.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

using namespace brindlemox::platform;
using namespace brindlemox::render;
using namespace brindlemox::gameplay;

namespace {

using checks::captureReports;

glm::vec3 origin(const btRigidBody* body) {
    const btVector3 o = body->getWorldTransform().getOrigin();
    return glm::vec3(o.x(), o.y(), o.z());
}

glm::vec3 stateOrigin(const btRigidBody* body) {
    btTransform t;
    body->getMotionState()->getWorldTransform(t);
    return glm::vec3(t.getOrigin().x(), t.getOrigin().y(), t.getOrigin().z());
}

void expectNear(const glm::vec3& a, const glm::vec3& b, float tolerance = 1e-4f) {
    checks::expectNear(a, b, tolerance);
}

// Every triangle of a body's mesh, in the order they were added.
std::vector<Triangle> bodyTriangles(const StaticMeshBody& body) {
    std::vector<Triangle> result;
    const unsigned char* vertices = nullptr;
    const unsigned char* indices = nullptr;
    int vertexCount = 0, vertexStride = 0, indexStride = 0, faceCount = 0;
    PHY_ScalarType vertexType, indexType;
    body.mesh->getLockedReadOnlyVertexIndexBase(&vertices, vertexCount, vertexType, vertexStride,
                                                &indices, indexStride, faceCount, indexType);
    for (int f = 0; f < faceCount; ++f) {
        const auto* face = reinterpret_cast<const unsigned*>(indices + f * indexStride);
        glm::vec3 corner[3];
        for (int k = 0; k < 3; ++k) {
            const auto* v = reinterpret_cast<const float*>(vertices + face[k] * vertexStride);
            corner[k] = glm::vec3(v[0], v[1], v[2]);
        }
        result.push_back({corner[0], corner[1], corner[2]});
    }
    body.mesh->unLockReadOnlyVertexBase(0);
    return result;
}

class EntitiesTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_EQ(chdir(scratch::dataDir().c_str()), 0);
    }
    void TearDown() override {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glUseProgram(0);
        glActiveTexture(GL_TEXTURE0);
        GlTest::TearDown();
    }
    // Places the camera and rebuilds its frustum, as the player does each frame.
    void look(const glm::vec3& from, double yawDegrees) {
        camera.setPosition(from);
        camera.setYaw(yawDegrees);
        camera.setPitch(0.0);
        camera.updateVectors();
        camera.updateFrustum();
    }

    ScriptedPlatform console;
    Camera camera;
};

} // namespace

TEST_F(EntitiesTest, SatelliteFloatsAboveAndSpinsFaster) {
    CellComponent satellite(glm::vec3(1, 2, 3), 0, 0.5f, 0, 7.0f);
    EXPECT_EQ(satellite.getTransform().position, glm::vec3(1, 6.5f, 3));
    EXPECT_EQ(satellite.getTransform().angles, glm::vec3(0.0f));
    EXPECT_EQ(satellite.getPower(), 7.0f);
    EXPECT_EQ(satellite.getHealth(), 0.0f);
    EXPECT_FALSE(satellite.isDead());
    EXPECT_FALSE(satellite.isTargeted(camera));

    const float angles[] = {0.5f, 1.0f, 1.5f};
    for (float expected : angles) {
        satellite.update(1.0f);
        EXPECT_FLOAT_EQ(satellite.getSpinAngle(), expected);
    }
    EXPECT_NEAR(satellite.getTransform().angles.z, 3.0f * checks::Degree, 1e-6);
    EXPECT_EQ(satellite.getTransform().position, glm::vec3(1, 6.5f, 3)) << "step 0: no move";

    satellite.setStep(2.0f);
    satellite.update(0.0f);
    EXPECT_EQ(satellite.getTransform().position, glm::vec3(3, 6.5f, 3));
}

TEST_F(EntitiesTest, EnemyBodyAndSatelliteMoveTogether) {
    for (int axis = 0; axis < 3; ++axis) {
        const glm::vec3 start(1, 2, 3);
        SimpleEnemy enemy(start, axis, 0, 5.0f);
        CellComponent* satellite = enemy.getComponent();
        ASSERT_NE(satellite, nullptr);
        btRigidBody* body = static_cast<btRigidBody*>(enemy.getRigidBody());
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(enemy.getTransform().scale, 0.5f);
        EXPECT_EQ(enemy.getPower(), 5.0f);
        EXPECT_EQ(body->getInvMass(), 0.0f);
        EXPECT_EQ(body->getActivationState(), DISABLE_DEACTIVATION);
        expectNear(origin(body), start);
        const glm::vec3 offset = satellite->getTransform().position - enemy.getTransform().position;
        expectNear(offset, glm::vec3(0, 4.5f, 0));

        enemy.update(1.0f);
        satellite->update(1.0f);
        EXPECT_FLOAT_EQ(enemy.getPhase(), 0.5f);
        EXPECT_NEAR(enemy.getStep(), 1.9177f, 1e-4);
        glm::vec3 moved(0.0f);
        moved[axis] = enemy.getStep();
        expectNear(enemy.getTransform().position, start + moved);
        expectNear(origin(body), start + moved);
        expectNear(stateOrigin(body), start + moved);
        expectNear(satellite->getTransform().position - enemy.getTransform().position, offset);

        for (int i = 0; i < 500; ++i) {
            enemy.update(1.0f / 30.0f);
            satellite->update(1.0f / 30.0f);
        }
        expectNear(satellite->getTransform().position - enemy.getTransform().position, offset);
        expectNear(origin(body), enemy.getTransform().position);

        enemy.update(0.0f);
        EXPECT_EQ(enemy.getStep(), 0.0f);
        EXPECT_FALSE(enemy.isDead());
        EXPECT_FALSE(enemy.isTargeted(camera));
    }
}

TEST_F(EntitiesTest, EnemyReadsAnUnknownAxisAsY) {
    std::unique_ptr<SimpleEnemy> enemy;
    const std::string out = captureReports(
        [&] { enemy = std::make_unique<SimpleEnemy>(glm::vec3(0), 9, nullptr, 1.0f); });
    EXPECT_NE(out.find("axis 9"), std::string::npos) << out;
    EXPECT_EQ(enemy->getAxis(), 1);
    EXPECT_EQ(enemy->getComponent()->getAxis(), 1);
    enemy->update(1.0f);
    EXPECT_NEAR(enemy->getTransform().position.y, enemy->getStep(), 1e-6);
}

TEST_F(EntitiesTest, SimpleWallPlacedTurnedScaledWithItsBody) {
    const glm::vec3 at(4, 0, -2);
    SimpleWall wall(at, 2, nullptr);
    EXPECT_EQ(wall.getTransform().position, at);
    EXPECT_FLOAT_EQ(wall.getTransform().angles.x, 90.0f * checks::Degree);
    EXPECT_EQ(wall.getTransform().angles.y, 0.0f);
    EXPECT_EQ(wall.getTransform().angles.z, 0.0f);
    EXPECT_EQ(wall.getTransform().scale, 16.0f);
    EXPECT_NEAR(wall.renderObject().getBoundingRadius(), 16.0f * std::sqrt(2.0f), 1e-3);
    ASSERT_NE(wall.getRigidBody(), nullptr);
    EXPECT_EQ(wall.getRigidBody()->getInvMass(), 0.0f);
    EXPECT_EQ(wall.getRigidBody()->getActivationState(), DISABLE_DEACTIVATION);

    const glm::mat4 m = wall.renderObject().getModelMatrix();
    const std::vector<Triangle> model = wall.renderObject().getTriangles();
    const std::vector<Triangle> body = bodyTriangles(wall.getBody());
    ASSERT_EQ(body.size(), model.size());
    for (size_t i = 0; i < model.size(); ++i) {
        expectNear(body[i].a, glm::vec3(m * glm::vec4(model[i].a, 1.0f)), 1e-3f);
        expectNear(body[i].b, glm::vec3(m * glm::vec4(model[i].b, 1.0f)), 1e-3f);
        expectNear(body[i].c, glm::vec3(m * glm::vec4(model[i].c, 1.0f)), 1e-3f);
    }
}

TEST_F(EntitiesTest, SimpleWallCodesFourAndFiveRepeatZeroAndOne) {
    SimpleWall zero(glm::vec3(0), 0, 0), one(glm::vec3(0), 1, 0);
    SimpleWall four(glm::vec3(0), 4, 0), five(glm::vec3(0), 5, 0);
    EXPECT_EQ(four.renderObject().getModelMatrix(), zero.renderObject().getModelMatrix());
    EXPECT_EQ(five.renderObject().getModelMatrix(), one.renderObject().getModelMatrix());
    std::unique_ptr<SimpleWall> odd;
    const std::string out =
        captureReports([&] { odd = std::make_unique<SimpleWall>(glm::vec3(0), 8, nullptr); });
    EXPECT_NE(out.find("orientation 8"), std::string::npos) << out;
    EXPECT_EQ(odd->getTransform().angles, glm::vec3(0.0f));
}

TEST_F(EntitiesTest, SimpleWallDrawsItsNoiseWithThePassUniforms) {
    const std::string dir = ::testing::TempDir();
    std::ofstream(dir + "wall.vs") << "#version 330 core\n"
                                      "layout(location = 0) in vec3 position;\n"
                                      "uniform mat4 mvp;\nuniform mat4 modelMat;\n"
                                      "void main() { gl_Position = mvp * modelMat[3].w * "
                                      "vec4(position, 1.0); }\n";
    std::ofstream(dir + "wall.fs") << "#version 330 core\nuniform float alpha;\n"
                                      "uniform int isCelShading;\nuniform sampler2D "
                                      "textureSampler;\nout vec4 colour;\n"
                                      "void main() { colour = vec4(texture(textureSampler, "
                                      "vec2(0.5)).rgb * alpha * float(isCelShading), 1.0); }\n";
    ProgramRef shared;
    captureReports([&] {
        ShaderLoader loader;
        shared = ShaderProgram::adopt(loader.loadShaders(dir + "wall.vs", dir + "wall.fs"));
    });
    const GLuint program = shared->get();
    {
        // The wall's model carries a textured material, as a careless asset might.
        SimpleWall wall(glm::vec3(0), 0, shared);
        ASSERT_FALSE(wall.renderObject().getModel()->getMaterials().empty());
        glUseProgram(program);
        glUniform1i(glGetUniformLocation(program, "isCelShading"), 0);
        glUniform1i(glGetUniformLocation(program, "textureSampler"), 1); // as the map leaves it
        RenderState state;
        state.celShading = true;
        look(glm::vec3(0, 0, -40), 0.0);
        state.viewProjection = camera.getProjectionMatrix() * camera.getViewMatrix();
        RenderObject faded = wall.renderObject();
        faded.alpha = 0.5f;
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, 256, 256);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        ScenePasses passes;
        passes.drawAlone(faded, state, camera.getFrustum());

        // After the draw, where a mesh draw could have bound the material's texture over it.
        GLint celShading = -1, active = 0, bound = 0;
        GLfloat alpha = 0.0f;
        glGetUniformiv(program, glGetUniformLocation(program, "isCelShading"), &celShading);
        glGetUniformfv(program, glGetUniformLocation(program, "alpha"), &alpha);
        EXPECT_EQ(celShading, 1) << "the pass's value, whatever was drawn before";
        EXPECT_FLOAT_EQ(alpha, 0.5f);
        GLint sampler = -1;
        glGetUniformiv(program, glGetUniformLocation(program, "textureSampler"), &sampler);
        EXPECT_EQ(sampler, 0) << "the noise texture is on unit 0";
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(active, GL_TEXTURE0);
        ASSERT_NE(wall.getNoise(), nullptr);
        EXPECT_EQ(static_cast<GLuint>(bound), wall.getNoise()->getTextureName());

        // The picture shows the noise's red, not the material's white.
        const std::vector<unsigned char> picture = testgl::readPixels(128, 128, 1, 1);
        EXPECT_GT(picture[0], 0) << "the wall was not drawn";
        EXPECT_EQ(picture[1], 0) << "the wall shows another texture";
        EXPECT_EQ(picture[2], 0) << "the wall shows another texture";
        EXPECT_TRUE(glIsProgram(program)) << "the level still draws with it";
    }
    glUseProgram(0);
    shared.reset();
    EXPECT_FALSE(glIsProgram(program)) << "deleted with its last user";
}

TEST_F(EntitiesTest, WallsWithoutAModelHaveNoBody) {
    const std::filesystem::path empty = std::filesystem::path(::testing::TempDir()) / "no_models";
    std::filesystem::create_directories(empty);
    ASSERT_EQ(chdir(empty.c_str()), 0);
    captureReports([] {
        SimpleWall wall(glm::vec3(0), 0, nullptr);
        EXPECT_EQ(wall.getRigidBody(), nullptr);
        SimpleEnemy enemy(glm::vec3(0), 0, 0, 1.0f);
        EXPECT_NE(enemy.getRigidBody(), nullptr) << "the enemy's box does not need the model";
        enemy.update(0.5f);
    });
}

TEST_F(EntitiesTest, BreakableWallConstructorA) {
    const glm::vec3 at(2, 0, 0);
    VulnerableWall wall(at, 3, nullptr, 15.0f, 4.0f);
    EXPECT_EQ(wall.getTransform().angles, glm::vec3(0.0f));
    EXPECT_EQ(wall.getTransform().scale, 1.0f);
    EXPECT_EQ(wall.getHealth(), 15.0f);
    EXPECT_EQ(wall.getMaxHealth(), 15.0f);
    EXPECT_EQ(wall.getToughness(), 4.0f);
    EXPECT_EQ(wall.getPower(), 0.0f);
    EXPECT_EQ(wall.getInitialHealth(), 15.0f);
    EXPECT_EQ(wall.getAlpha(), 1.0f);
    EXPECT_TRUE(wall.isActive());
    // The quad's first edges: (-1,-1)->(1,-1) and the longer diagonal (-1,-1)->(1,1).
    expectNear(wall.getEmitterPosition(), at);
    EXPECT_EQ(wall.getParticles().getDirectionIndex(), 3);
    EXPECT_FALSE(wall.getParticles().isSpawning());
    ASSERT_NE(wall.getRigidBody(), nullptr);
    EXPECT_EQ(bodyTriangles(wall.getBody()).size(), 2u);
}

TEST_F(EntitiesTest, BreakableWallConstructorB) {
    VulnerableWall wall(glm::vec3(0, 0, 10), 3.0f, 2, nullptr, 15.0f, 4.0f);
    EXPECT_FLOAT_EQ(wall.getTransform().angles.y, 90.0f * checks::Degree);
    EXPECT_EQ(wall.getTransform().scale, 3.0f);
    EXPECT_NEAR(wall.renderObject().getBoundingRadius(), std::sqrt(2.0f), 1e-5)
        << "the radius as loaded";
    expectNear(wall.getEmitterPosition(), glm::vec3(0, 0, 10));
    EXPECT_EQ(wall.getParticles().getDirectionIndex(), 2);
    const std::vector<Triangle> body = bodyTriangles(wall.getBody());
    ASSERT_EQ(body.size(), 2u);
    // Turned to face +x and three times as large: the quad now spans z 7..13 at x 0.
    expectNear(body[0].a, glm::vec3(0, -3, 13), 1e-4f);
}

TEST_F(EntitiesTest, HitsDrainHealthFadeAndSpray) {
    VulnerableWall wall(glm::vec3(0), 0, nullptr, 15.0f, 4.0f);
    wall.takeHit(10.0f, 0.5f);
    wall.takeHit(10.0f, 0.5f);
    EXPECT_FLOAT_EQ(wall.getHealth(), 12.5f);
    EXPECT_NEAR(wall.getAlpha(), 0.9333f, 1e-4);
    EXPECT_TRUE(wall.getParticles().isSpawning());
    wall.beginFrame();
    EXPECT_FALSE(wall.getParticles().isSpawning());

    VulnerableWall fresh(glm::vec3(0), 0, 0, 15.0f, 4.0f);
    fresh.takeHit(10.0f, 0.001f);
    EXPECT_EQ(fresh.getAlpha(), 1.0f);

    VulnerableWall doomed(glm::vec3(0), 0, 0, 15.0f, 1.0f);
    doomed.takeHit(15.0f, 1.0f);
    EXPECT_EQ(doomed.getHealth(), 0.0f);
    EXPECT_TRUE(doomed.isDead());
    EXPECT_FALSE(doomed.isActive());
    EXPECT_FALSE(doomed.getParticles().isSpawning());
    EXPECT_FLOAT_EQ(doomed.getAlpha(), 0.1f);
    EXPECT_NE(doomed.getRigidBody(), nullptr) << "the body stays";

    doomed.resetHealth();
    EXPECT_EQ(doomed.getHealth(), 15.0f);
    EXPECT_TRUE(doomed.isActive());
    EXPECT_FLOAT_EQ(doomed.getAlpha(), 0.1f) << "alpha waits for the next hit";
}

TEST_F(EntitiesTest, WallsWithoutToughnessOrHealthStillFallAndFade) {
    struct HitCase {
        const char* name;
        float health;
        float toughness;
        std::vector<std::pair<float, float>> hits; // power, delta time
        bool dead;
        float healthAfter;
        float alphaAfter;
    };
    const std::vector<HitCase> cases = {
        {"an ordinary wall", 15.0f, 4.0f, {{10.0f, 1.0f}}, false, 12.5f, 12.5f / 15.0f + 0.1f},
        {"no toughness: the first hit destroys", 15.0f, 0.0f, {{10.0f, 0.1f}}, true, 0.0f, 0.1f},
        {"no toughness, a hit of no time first",
         15.0f,
         0.0f,
         {{10.0f, 0.0f}, {10.0f, 0.1f}},
         true,
         0.0f,
         0.1f},
        {"no toughness, a hit of no time", 15.0f, 0.0f, {{10.0f, 0.0f}}, false, 15.0f, 1.0f},
        {"a toughness below 0", 15.0f, -2.0f, {{10.0f, 0.1f}}, true, 0.0f, 0.1f},
        {"no initial health", 0.0f, 4.0f, {{10.0f, 0.1f}}, true, -0.25f, 0.1f},
    };
    for (const HitCase& c : cases) {
        VulnerableWall wall(glm::vec3(0), 0, nullptr, c.health, c.toughness);
        for (const auto& [power, deltaTime] : c.hits)
            wall.takeHit(power, deltaTime);
        EXPECT_EQ(wall.isDead(), c.dead) << c.name;
        EXPECT_FLOAT_EQ(wall.getHealth(), c.healthAfter) << c.name;
        EXPECT_FLOAT_EQ(wall.getAlpha(), c.alphaAfter) << c.name;
    }
}

TEST_F(EntitiesTest, TargetedOnlyFromInFrontOfAnUnturnedWall) {
    VulnerableWall wall(glm::vec3(0), 0, nullptr, 15.0f, 4.0f); // faces +z
    look({0, 0, 5.4f}, 180);
    EXPECT_TRUE(wall.isTargeted(camera));
    look({0, 0, 5.5f}, 180);
    EXPECT_FALSE(wall.isTargeted(camera));
    look({0, 0, -1.0f}, 0);
    EXPECT_FALSE(wall.isTargeted(camera)) << "close behind the face";
    // Rock at z 2.5, wider than the wall, between the camera and the wall.
    StaticMeshBody rock = StaticMeshBody::build({{{-9, -9, 2.5f}, {9, -9, 2.5f}, {9, 9, 2.5f}},
                                                 {{-9, -9, 2.5f}, {9, 9, 2.5f}, {-9, 9, 2.5f}}},
                                                glm::mat4(1.0f));
    wall.setSightBlocker(rock.body.get());
    look({0, 0, 4.0f}, 180);
    EXPECT_FALSE(wall.isTargeted(camera)) << "rock between";
    look({0, 0, 2.0f}, 180);
    EXPECT_TRUE(wall.isTargeted(camera)) << "in front of the rock";
    wall.setSightBlocker(nullptr);
    look({0, 0, -20.0f}, 0);
    EXPECT_FALSE(wall.isTargeted(camera)) << "far behind the face";
    look({0, 0, 3.0f}, 0);
    EXPECT_FALSE(wall.isTargeted(camera)) << "close, but looking away";

    look({0, 0, 3.0f}, 180);
    wall.takeHit(100.0f, 1.0f);
    ASSERT_TRUE(wall.isDead());
    EXPECT_FALSE(wall.isTargeted(camera)) << "a dead wall is never targeted";
}

TEST_F(EntitiesTest, TargetedThroughTheTurnedNormal) {
    VulnerableWall wall(glm::vec3(0), 1.0f, 2, nullptr, 15.0f, 4.0f); // turned to face +x
    look({5.4f, 0, 0}, -90);
    EXPECT_TRUE(wall.isTargeted(camera));
    look({5.5f, 0, 0}, -90);
    EXPECT_FALSE(wall.isTargeted(camera));
    look({-1.0f, 0, 0}, 90);
    EXPECT_FALSE(wall.isTargeted(camera)) << "behind";
    look({20.0f, 0, 0}, -90);
    EXPECT_FALSE(wall.isTargeted(camera)) << "the model-space normal would have allowed this";
}

TEST_F(EntitiesTest, HoldingSpaceInFrontOfAWallBreaksIt) {
    Config config;
    Controls controls(nullptr, &config);
    // Turn from yaw 90 to 180 (looking along -z) with the mouse.
    controls.moveMouse(-90.0 / (config.mouseSensitivity * Controls::DegreesPerPixel), 0.0);
    ASSERT_NEAR(controls.getYawDegrees(), 180.0, 1e-9);

    Player player(controls, camera);
    player.setStats(50, 10, 3);
    player.spawnAt(0, 0, 4);
    VulnerableWall wall(glm::vec3(0), 0, nullptr, 15.0f, 4.0f);

    auto frame = [&](double seconds) {
        console.advance(seconds);
        controls.updateTime();
        player.update();
        player.updateModels({&wall});
    };
    frame(0.0);
    frame(0.5);
    EXPECT_EQ(wall.getHealth(), 15.0f) << "no attack without Space";
    console.hold(GLFW_KEY_SPACE);
    for (int i = 0; i < 4; ++i)
        frame(0.25);
    EXPECT_FLOAT_EQ(wall.getHealth(), 15.0f - 10.0f * 1.0f / 4.0f);
    EXPECT_TRUE(wall.getParticles().isSpawning());
    for (int i = 0; i < 6; ++i)
        frame(1.0);
    EXPECT_TRUE(wall.isDead()) << "6 seconds of attack break a wall of 15 at power 10 over 4";
    EXPECT_FALSE(wall.getParticles().isSpawning());
}
