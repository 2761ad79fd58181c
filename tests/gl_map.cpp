#include "render/Map.h"
#include "render/ScenePasses.h"
#include "support/BulletWorld.h"
#include "support/Checks.h"
#include "support/Files.h"
#include "support/GlContext.h"
#include "support/RenderFixtures.h"
#include "support/ScriptedPlatform.h"

#include <btBulletDynamicsCommon.h>
#include <stb_image_write.h>

#include <glm/gtc/matrix_transform.hpp>

using namespace brindlemox::platform;
using namespace brindlemox::render;

using checks::captureReports;
using testfiles::ScopedChdir;
using testfiles::ScratchDir;

namespace {

using testgl::uniformInt;
using testphysics::BulletWorld;

// A level folder: a 20 x 20 floor at y = 0 split into an L of two squares (x in -10..0 by z in
// -10..10, and x in 0..10 by z in -10..0), the red second texture and light-map shaders.
class MapTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        const unsigned char red[3 * 4] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
        std::filesystem::create_directories(dir.root() / "Texture");
        ASSERT_NE(stbi_write_bmp(dir.file("Texture/red.bmp").c_str(), 2, 2, 3, red), 0);
        const unsigned char grey[3 * 4] = {50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50};
        ASSERT_NE(stbi_write_png(dir.file("Texture/floor.png").c_str(), 2, 2, 3, grey, 6), 0);
        dir.write("Obj/floor.mtl", "newmtl floor\nKd 1 1 1\nmap_Kd Texture/floor.png\n");
        dir.write("Obj/floor.obj", "mtllib floor.mtl\n"
                                   "v -10 0 -10\nv 0 0 -10\nv 0 0 10\nv -10 0 10\n"
                                   "v 0 0 -10\nv 10 0 -10\nv 10 0 0\nv 0 0 0\n"
                                   "vt 0 0\nvn 0 1 0\nusemtl floor\n"
                                   "f 1/1/1 4/1/1 3/1/1 2/1/1\n"
                                   "f 5/1/1 8/1/1 7/1/1 6/1/1\n");
        dir.write("Shader/lightMapVS.vs", renderfix::ModelVertexSource);
        dir.write("Shader/lightMapFS.fs", renderfix::MapFragmentSource);
        dir.write("Shader/lightMapMatteFS.fs", renderfix::MapFragmentSource);
        cwd = std::make_unique<ScopedChdir>(dir.root());
        sharedProgram = ShaderProgram::adopt(
            renderfix::compileProgram(renderfix::ModelVertexSource, renderfix::MapFragmentSource));
        shared = sharedProgram->get();
        glDisable(GL_DEPTH_TEST);
    }
    void TearDown() override {
        glUseProgram(0);
        sharedProgram.reset();
        for (int unit = 0; unit < 2; ++unit) {
            glActiveTexture(GL_TEXTURE0 + unit);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        glActiveTexture(GL_TEXTURE0);
        cwd.reset();
        GlTest::TearDown();
    }

    std::unique_ptr<Map> make(const std::string& path, bool ownShader, std::string* out = nullptr) {
        std::unique_ptr<Map> map;
        const std::string printed =
            captureReports([&] { map = std::make_unique<Map>(path, sharedProgram, ownShader); });
        if (out != nullptr)
            *out = printed;
        return map;
    }

    ScratchDir dir{"map"};
    std::unique_ptr<ScopedChdir> cwd;
    ScriptedPlatform console;
    ProgramRef sharedProgram; // the level's program
    GLuint shared = 0;        // its name
};

} // namespace

TEST_F(MapTest, BodyIsHitWhereTheTrianglesAre) {
    std::string out;
    auto map = make("Obj/floor.obj", false, &out);
    EXPECT_NE(out.find("Texture/red.bmp - texture successfully loaded\n"), std::string::npos);
    btRigidBody* body = map->getRigidBody();
    ASSERT_NE(body, nullptr);
    EXPECT_TRUE(body->isStaticObject());
    EXPECT_EQ(body->getActivationState(), DISABLE_DEACTIVATION);
    EXPECT_EQ(body->getWorldTransform().getOrigin(), btVector3(0, 0, 0));

    BulletWorld world;
    world.world.addRigidBody(body);
    btVector3 hit;
    EXPECT_TRUE(world.rayHits(btVector3(-5, 10, 5), btVector3(-5, -10, 5), &hit));
    EXPECT_NEAR(hit.y(), 0.0f, 1e-4f);
    EXPECT_TRUE(world.rayHits(btVector3(5, 10, -5), btVector3(5, -10, -5)));
    // The missing corner of the L and beyond the edges: nothing to hit.
    EXPECT_FALSE(world.rayHits(btVector3(5, 10, 5), btVector3(5, -10, 5)));
    EXPECT_FALSE(world.rayHits(btVector3(-15, 10, 0), btVector3(-15, -10, 0)));
    // From below too: a triangle mesh has no back face for rays.
    EXPECT_TRUE(world.rayHits(btVector3(-5, -10, 5), btVector3(-5, 10, 5)));
    world.world.removeRigidBody(body);
}

TEST_F(MapTest, MissingModelHasNoBodyAndDrawsNothing) {
    std::string out;
    auto map = make("Obj/nowhere.obj", false, &out);
    EXPECT_EQ(out.substr(0, 35), "error loading model Obj/nowhere.obj");
    EXPECT_EQ(map->getRigidBody(), nullptr);
    EXPECT_TRUE(map->renderObject().active);
    EXPECT_EQ(map->renderObject().group, DrawGroup::Geometry);
    EXPECT_TRUE(map->renderObject().look.byRegions);
    Frustum f;
    f.build(90.0f, 1.0f, 1.0f, 100.0f, glm::vec3(0, -1, 0), glm::vec3(0, 0, -1),
            glm::vec3(0, 10, 0));
    EXPECT_FALSE(map->isInFrustum(f));
    renderfix::OffscreenTarget target(8, 8);
    ScenePasses().drawAlone(map->renderObject(), RenderState(), f);
    EXPECT_EQ(testgl::readPixels(4, 4, 1, 1)[0], 0);
}

TEST_F(MapTest, MissingSecondTextureIsReportedAndLeavesNameZero) {
    std::filesystem::remove(dir.root() / "Texture/red.bmp");
    std::string out;
    auto map = make("Obj/floor.obj", false, &out);
    EXPECT_NE(out.find("Failed to load texture Texture/red.bmp\n"), std::string::npos);
    EXPECT_EQ(map->getSecondTexture().getName(), 0u);
    EXPECT_NE(map->getRigidBody(), nullptr);
}

TEST_F(MapTest, SharedProgramGetsTheMapSamplersAndSurvivesTheMap) {
    {
        auto map = make("Obj/floor.obj", false);
        EXPECT_EQ(map->getProgram(), shared);
        glUseProgram(shared);
        glUniform4f(glGetUniformLocation(shared, "plane"), 1.0f, 2.0f, 3.0f, 4.0f);
        RenderState state;
        state.levels = 3;
        state.celShading = true;
        state.clipPlane = glm::vec4(9.0f);
        Frustum nothing; // culled: the uniforms only
        nothing.build(90.0f, 1.0f, 1.0f, 100.0f, glm::vec3(0, 1, 0), glm::vec3(0, 0, -1),
                      glm::vec3(0, 1000, 0));
        ScenePasses().drawAlone(map->renderObject(), state, nothing);
        EXPECT_EQ(uniformInt(shared, "textureSampler"), 1);
        EXPECT_EQ(uniformInt(shared, "lightMapTextureSampler"), 0);
        EXPECT_EQ(uniformInt(shared, "levels"), 3);
        EXPECT_EQ(uniformInt(shared, "isCelShading"), 1);
        float plane[4] = {0, 0, 0, 0};
        glGetUniformfv(shared, glGetUniformLocation(shared, "plane"), plane);
        EXPECT_FLOAT_EQ(plane[0], 9.0f) << "the water passes clip the map too";
        EXPECT_FLOAT_EQ(plane[3], 9.0f);
    }
    EXPECT_TRUE(glIsProgram(shared));
}

TEST_F(MapTest, OwnShaderIsBuiltFromTheLightMapFilesAndDeletedWithTheMap) {
    // A material with a specular colour needs the sheen; without one, the matte stage is enough.
    const struct {
        const char* specularLine;
        const char* fragmentStage;
    } cases[] = {{"Ks 0.5 0.5 0.5\n", "Shader/lightMapFS.fs"}, {"", "Shader/lightMapMatteFS.fs"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fragmentStage);
        dir.write("Obj/floor.mtl", std::string("newmtl floor\nKd 1 1 1\n") + c.specularLine +
                                       "map_Kd Texture/floor.png\n");
        std::string out;
        auto map = make("Obj/floor.obj", true, &out);
        EXPECT_NE(out.find("Compiling shader : Shader/lightMapVS.vs\n"), std::string::npos);
        EXPECT_NE(out.find(std::string("Compiling shader : ") + c.fragmentStage + "\n"),
                  std::string::npos);
        EXPECT_EQ(out.find("Compiling shader : Shader/lightMap", out.find("FS.fs")),
                  std::string::npos)
            << "one fragment stage only";
        const GLuint own = map->getProgram();
        EXPECT_NE(own, shared);
        GLint linked = GL_FALSE;
        glGetProgramiv(own, GL_LINK_STATUS, &linked);
        EXPECT_EQ(linked, GL_TRUE);
        map.reset();
        EXPECT_FALSE(glIsProgram(own));
        EXPECT_TRUE(glIsProgram(shared));
    }
}

TEST_F(MapTest, MissingLightMapShadersLeaveAMapThatDrawsNothing) {
    std::filesystem::remove_all(dir.root() / "Shader");
    auto map = make("Obj/floor.obj", true);
    EXPECT_NE(map->getRigidBody(), nullptr);
    EXPECT_EQ(console.pauses, 0) << "the render layer never holds the game for a key";
    renderfix::OffscreenTarget target(16, 16);
    RenderState state;
    state.viewProjection =
        glm::perspective(glm::radians(90.0f), 1.0f, 1.0f, 100.0f) *
        glm::lookAt(glm::vec3(-5, 10, 5), glm::vec3(-5, 0, 5), glm::vec3(0, 0, -1));
    Frustum f;
    f.build(90.0f, 1.0f, 1.0f, 100.0f, glm::vec3(0, -1, 0), glm::vec3(0, 0, -1),
            glm::vec3(-5, 10, 5));
    ScenePasses().drawAlone(map->renderObject(), state, f);
    EXPECT_EQ(testgl::readPixels(8, 8, 1, 1)[0], 0);
}

TEST_F(MapTest, DrawsWithTheSecondTextureOnUnitOne) {
    auto map = make("Obj/floor.obj", false);
    renderfix::OffscreenTarget target(16, 16);
    // Looking straight down at the part of the floor at x < 0.
    RenderState state;
    state.viewProjection =
        glm::perspective(glm::radians(90.0f), 1.0f, 1.0f, 100.0f) *
        glm::lookAt(glm::vec3(-5, 10, 5), glm::vec3(-5, 0, 5), glm::vec3(0, 0, -1));
    Frustum f;
    f.build(90.0f, 1.0f, 1.0f, 100.0f, glm::vec3(0, -1, 0), glm::vec3(0, 0, -1),
            glm::vec3(-5, 10, 5));
    ASSERT_TRUE(map->isInFrustum(f));
    ScenePasses().drawAlone(map->renderObject(), state, f);
    const std::vector<unsigned char> centre = testgl::readPixels(8, 8, 1, 1);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 0);
    EXPECT_EQ(centre[2], 0);
    GLint bound = 0;
    glActiveTexture(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), map->getSecondTexture().getName());
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_NE(bound, 0);
    EXPECT_NE(static_cast<GLuint>(bound), map->getSecondTexture().getName());

    // Looking up into the sky: every vertex is behind the near plane.
    Frustum up;
    up.build(90.0f, 1.0f, 1.0f, 100.0f, glm::vec3(0, 1, 0), glm::vec3(0, 0, -1),
             glm::vec3(-5, 10, 5));
    EXPECT_FALSE(map->isInFrustum(up));
}
