#include "effects/Billboard.h"
#include "effects/GBtDebugDraw.h"
#include "effects/ParticleSystem.h"
#include "effects/PerlinNoise.h"
#include "effects/RandomTexture.h"
#include "effects/WaterMesh.h"
#include "gameplay/SimpleWall.h"
#include "platform/GlDebug.h"
#include "render/Camera.h"
#include "render/ResourceCache.h"
#include "render/ScenePasses.h"
#include "render/ShaderLoader.h"
#include "render/WaterRenderTargets.h"
#include "support/GlContext.h"
#include "support/ScratchData.h"
#include "support/ScriptedPlatform.h"

#include <btBulletDynamicsCommon.h>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::render;
using namespace brindlemox::effects;
using namespace brindlemox::gameplay;

namespace {

constexpr int Size = 128;

// An off-screen colour target to draw into and read back.
class Target {
  public:
    Target() {
        glGenFramebuffers(1, &frameBuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
        glGenRenderbuffers(1, &colour);
        glBindRenderbuffer(GL_RENDERBUFFER, colour);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, Size, Size);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
        glViewport(0, 0, Size, Size);
    }
    ~Target() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteRenderbuffers(1, &colour);
        glDeleteFramebuffers(1, &frameBuffer);
    }
    void clear() {
        glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
        glViewport(0, 0, Size, Size);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    std::vector<unsigned char> read() { return testgl::readPixels(0, 0, Size, Size); }

  private:
    GLuint frameBuffer = 0;
    GLuint colour = 0;
};

int litPixels(const std::vector<unsigned char>& rgba) {
    int lit = 0;
    for (size_t i = 0; i < rgba.size(); i += 4)
        lit += (rgba[i] > 40 || rgba[i + 1] > 40 || rgba[i + 2] > 40) ? 1 : 0;
    return lit;
}

// Live buffer and vertex-array names up to a bit past the next free name.
int liveNames() {
    GLuint probe = 0;
    glGenBuffers(1, &probe);
    glDeleteBuffers(1, &probe);
    int live = 0;
    for (GLuint n = 1; n < probe + 1000; ++n)
        live += (glIsBuffer(n) ? 1 : 0) + (glIsVertexArray(n) ? 1 : 0);
    return live;
}

// The current driver without transform-feedback objects, as GLEW leaves a driver that lacks
// them: their entry points null.
class DriverWithoutTransformFeedback {
  public:
    DriverWithoutTransformFeedback() {
        __glewGenTransformFeedbacks = nullptr;
        __glewDeleteTransformFeedbacks = nullptr;
        __glewBindTransformFeedback = nullptr;
        __glewDrawTransformFeedback = nullptr;
    }
    ~DriverWithoutTransformFeedback() {
        __glewGenTransformFeedbacks = gen;
        __glewDeleteTransformFeedbacks = erase;
        __glewBindTransformFeedback = bind;
        __glewDrawTransformFeedback = draw;
    }
    DriverWithoutTransformFeedback(const DriverWithoutTransformFeedback&) = delete;
    DriverWithoutTransformFeedback& operator=(const DriverWithoutTransformFeedback&) = delete;

  private:
    const PFNGLGENTRANSFORMFEEDBACKSPROC gen = __glewGenTransformFeedbacks;
    const PFNGLDELETETRANSFORMFEEDBACKSPROC erase = __glewDeleteTransformFeedbacks;
    const PFNGLBINDTRANSFORMFEEDBACKPROC bind = __glewBindTransformFeedback;
    const PFNGLDRAWTRANSFORMFEEDBACKPROC draw = __glewDrawTransformFeedback;
};

class EffectsTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_EQ(chdir(scratch::dataDir().c_str()), 0);
        target = std::make_unique<Target>();
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        camera.setPosition(glm::vec3(0.0f, 1.0f, -8.0f));
        camera.setYaw(0.0);
        camera.updateVectors();
        camera.updateFrustum();
        viewProjection = camera.getProjectionMatrix() * camera.getViewMatrix();
    }
    void TearDown() override {
        target.reset();
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glBindVertexArray(0);
        glUseProgram(0);
        glActiveTexture(GL_TEXTURE0);
        GlTest::TearDown();
    }

    // Runs one frame and returns how many records its update captured.
    GLuint frameCapturing(ParticleSystem& particles, float deltaTime) {
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, query);
        particles.renderFrame(deltaTime, viewProjection, camera.getPosition());
        glEndQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN);
        GLuint written = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &written);
        glDeleteQueries(1, &query);
        return written;
    }

    ScriptedPlatform console; // a missing shader waits for a key here, not on the terminal
    Camera camera;
    glm::mat4 viewProjection{1.0f};
    std::unique_ptr<Target> target; // made once the context is current
};

} // namespace

TEST_F(EffectsTest, NoiseTextureHoldsTheWoodRings) {
    PerlinNoise noise(600, 235);
    noise.bind(0);
    GLint active = 0, bound = 0, width = 0, height = 0, minFilter = 0, wrapS = 0, wrapT = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_EQ(static_cast<GLuint>(bound), noise.getTextureName());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    EXPECT_EQ(width, 600);
    EXPECT_EQ(height, 600);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(wrapS, GL_REPEAT);
    EXPECT_EQ(wrapT, GL_REPEAT);

    std::vector<float> texels(600 * 600 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, texels.data());
    const double n = noise.noise(0, 0, 0.8);
    EXPECT_EQ(texels[0], static_cast<float>(20 * n - std::floor(20 * n)));
    for (size_t t = 0; t < 600 * 600; ++t) {
        ASSERT_GE(texels[t * 3], 0.0f);
        ASSERT_LT(texels[t * 3], 1.0f);
        ASSERT_EQ(texels[t * 3 + 1], 0.0f);
        ASSERT_EQ(texels[t * 3 + 2], 0.0f);
    }
}

TEST_F(EffectsTest, RandomTextureHas300TexelsStrictlyInsideTheUnitInterval) {
    RandomTexture random(300);
    EXPECT_EQ(random.size(), 300u);
    random.bind(GL_TEXTURE3);
    GLint active = 0, bound = 0, width = 0, wrap = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_TEXTURE_BINDING_1D, &bound);
    EXPECT_EQ(active, GL_TEXTURE3);
    EXPECT_EQ(static_cast<GLuint>(bound), random.getName());
    glGetTexLevelParameteriv(GL_TEXTURE_1D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexParameteriv(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, &wrap);
    EXPECT_EQ(width, 300);
    EXPECT_EQ(wrap, GL_REPEAT);

    std::vector<float> values(300 * 3, -1.0f);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glGetTexImage(GL_TEXTURE_1D, 0, GL_RGB, GL_FLOAT, values.data());
    for (float v : values) {
        EXPECT_GT(v, 0.0f);
        EXPECT_LT(v, 1.0f);
    }
    glBindTexture(GL_TEXTURE_1D, 0);
}

TEST_F(EffectsTest, ParticleBuffersHoldThePoolAndIndicesFollowTheFrames) {
    ParticleSystem particles;
    ASSERT_TRUE(particles.getUpdateProgram() != 0);
    particles.init(glm::vec3(0.0f), 0);
    EXPECT_EQ(particles.getReadIndex(), 0u);
    EXPECT_EQ(particles.getWriteIndex(), 1u);
    for (unsigned i = 0; i < 2; ++i) {
        GLint bytes = 0;
        glBindBuffer(GL_ARRAY_BUFFER, particles.getBuffer(i));
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &bytes);
        EXPECT_EQ(bytes, 128000);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    target->clear();
    for (unsigned n = 1; n <= 7; ++n) {
        particles.setSpawning(n % 3 == 0);
        particles.renderFrame(1.0f / 60.0f, viewProjection, camera.getPosition());
        EXPECT_EQ(particles.getReadIndex(), n % 2) << n;
        EXPECT_EQ(particles.getWriteIndex(), (n + 1) % 2) << n;
    }
    GLboolean discard = GL_TRUE;
    glGetBooleanv(GL_RASTERIZER_DISCARD, &discard);
    EXPECT_EQ(discard, GL_FALSE) << "the draw pass switches rasterizer discard off again";
}

TEST_F(EffectsTest, NeverSpawnedSystemDrawsNothingBeyondItsSeed) {
    ParticleSystem particles;
    particles.init(glm::vec3(0.0f), 0);
    target->clear();
    EXPECT_LE(frameCapturing(particles, 1.0f / 60.0f), 1u) << "the first update feeds record 0";
    const std::vector<unsigned char> seed = target->read();
    for (int i = 0; i < 30; ++i) {
        target->clear();
        EXPECT_LE(frameCapturing(particles, 0.05f), 1u) << "frame " << i;
    }
    const std::vector<unsigned char> later = target->read();
    EXPECT_EQ(litPixels(later), litPixels(seed));
    EXPECT_TRUE(later == seed);
}

TEST_F(EffectsTest, SpawningSystemSpraysVisibleSprites) {
    ParticleSystem particles;
    particles.init(glm::vec3(0.0f), 0);
    target->clear();
    frameCapturing(particles, 1.0f / 60.0f);
    const int seedPixels = litPixels(target->read());

    GLuint written = 0, most = 0;
    for (int i = 0; i < 20; ++i) {
        target->clear();
        particles.setSpawning(true);
        written = frameCapturing(particles, 0.05f);
        most = std::max(most, written);
        EXPECT_LE(written, ParticleSystem::PoolSize);
    }
    EXPECT_GT(most, 1u) << "spawning adds records to the pool";
    const std::vector<unsigned char> frame = target->read();
    testgl::writeImage("particles_spraying", frame, Size, Size);
    EXPECT_GT(litPixels(frame), seedPixels + 10) << "sprites appear beyond the seed";
}

// A pool neither spawning nor holding a live spark costs no update and no draw, and once hit
// again sparks exactly as a pool that ran every frame. A pool put off until its first spark
// holds no buffer until then, and sparks exactly as the idle one.
TEST_F(EffectsTest, IdlePoolsCostNothingAndSparkAsIfTheyHadRun) {
    ResourceCache cache; // one random texture for the pools
    ParticleSystem running(&cache);
    ParticleSystem idling(&cache);
    ParticleSystem putOff(&cache);
    running.init(glm::vec3(0.0f), 0);
    idling.init(glm::vec3(0.0f), 0);
    putOff.initWhenNeeded(glm::vec3(0.0f), 0);
    std::vector<unsigned char> expected, seen, seenPutOff;
    const auto frame = [&](bool spawn, float deltaTime) {
        running.setSpawning(spawn);
        idling.setSpawning(spawn);
        target->clear();
        running.renderFrame(deltaTime, viewProjection, camera.getPosition());
        expected = target->read();
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        idling.advance(deltaTime);
        target->clear();
        idling.drawLatest(viewProjection, camera.getPosition());
        glEndQuery(GL_PRIMITIVES_GENERATED);
        seen = target->read();
        GLuint primitives = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
        glDeleteQueries(1, &query);
        putOff.setSpawning(spawn);
        putOff.advance(deltaTime);
        target->clear();
        putOff.drawLatest(viewProjection, camera.getPosition());
        seenPutOff = target->read();
        EXPECT_TRUE(seenPutOff == seen) << "a put-off pool sparks as one made at once";
        return primitives;
    };
    // Quiet from the start, then a burst, then quiet long enough for every spark to burn out.
    struct Phase {
        bool spawn;
        int frames;
        float deltaTime;
        bool idleAfter;
    } phases[] = {{false, 30, 0.05f, true},
                  {true, 20, 0.04f, false},
                  {false, 10, 0.05f, false},
                  {false, 40, 0.05f, true},
                  {true, 15, 0.03f, false}};
    for (const Phase& phase : phases) {
        for (int i = 0; i < phase.frames; ++i) {
            const GLuint primitives = frame(phase.spawn, phase.deltaTime);
            if (idling.isIdle()) {
                EXPECT_EQ(primitives, 0u) << "an idle pool runs no pass";
            }
        }
        EXPECT_EQ(idling.isIdle(), phase.idleAfter);
        EXPECT_EQ(putOff.hasPool(), &phase != &phases[0]) << "made at its first spark";
    }
    // The last frame of each.
    EXPECT_GT(litPixels(expected), 50);
    // The launcher's clock after a quiet spell is the same sum of frame times, added up in
    // another order: the odd spark may land a pixel away.
    size_t differing = 0;
    for (size_t i = 0; i < seen.size(); i += 4)
        differing += seen[i] != expected[i] || seen[i + 1] != expected[i + 1] ||
                     seen[i + 2] != expected[i + 2];
    EXPECT_LT(differing, expected.size() / 4 / 100)
        << differing << " pixels differ; lit " << litPixels(seen) << " against "
        << litPixels(expected);
}

TEST_F(EffectsTest, WithoutTransformFeedbackObjectsNoSparksAreDrawn) {
    EXPECT_TRUE(ParticleSystem::transformFeedbackOffered()) << "the test driver offers them";
    const DriverWithoutTransformFeedback olderDriver;
    EXPECT_FALSE(ParticleSystem::transformFeedbackOffered());
    {
        ParticleSystem particles;
        particles.init(glm::vec3(0.0f), 0);
        target->clear();
        const std::vector<unsigned char> empty = target->read();
        for (int i = 0; i < 20; ++i) {
            particles.setSpawning(true);
            particles.renderFrame(0.05f, viewProjection, camera.getPosition());
            particles.advance(0.05f);
            particles.drawLatest(viewProjection, camera.getPosition());
        }
        EXPECT_TRUE(target->read() == empty) << "a system without a pool drew something";
    } // and it goes without the missing entry points
}

TEST_F(EffectsTest, BillboardSetsItsFourUniforms) {
    Billboard billboard;
    billboard.useProgram();
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    ASSERT_EQ(static_cast<GLuint>(current), billboard.getProgram());
    billboard.uploadBillboardUniforms(viewProjection, glm::vec3(1, 2, 3), 0.01f);
    const GLuint program = billboard.getProgram();
    GLfloat size = 0.0f, eye[3] = {0, 0, 0}, matrix[16] = {};
    GLint sampler = -1;
    glGetUniformfv(program, glGetUniformLocation(program, "size"), &size);
    glGetUniformfv(program, glGetUniformLocation(program, "cameraPos"), eye);
    glGetUniformfv(program, glGetUniformLocation(program, "viewProjectionMatrix"), matrix);
    glGetUniformiv(program, glGetUniformLocation(program, "textureSampler"), &sampler);
    EXPECT_FLOAT_EQ(size, 0.01f);
    EXPECT_EQ(glm::vec3(eye[0], eye[1], eye[2]), glm::vec3(1, 2, 3));
    EXPECT_EQ(glm::make_mat4(matrix), viewProjection);
    EXPECT_EQ(sampler, 0);
    billboard.release();
    EXPECT_EQ(billboard.getProgram(), 0u);
}

TEST_F(EffectsTest, WaterDrawsWithItsFourUnitsInOrder) {
    WaterRenderTargets targets(Size, Size);
    targets.init();
    // A reflection of pure green and a black refraction, to recognise them in the picture.
    glBindFramebuffer(GL_FRAMEBUFFER, targets.reflectionFrameBufferName());
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, targets.refractionFrameBufferName());
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    // The plane's model carries a textured material, as a careless asset might.
    WaterMesh water(glm::vec3(0, -1, 0), Size, Size, camera);
    ASSERT_FALSE(water.renderObject().getModel()->getMaterials().empty());
    water.setRenderTargets(&targets);
    EXPECT_EQ(water.renderObject().group, DrawGroup::Water);
    water.update(10.0f);
    EXPECT_FLOAT_EQ(water.getMoveFactor(), 0.1f);

    target->clear();
    RenderState state;
    state.viewProjection = viewProjection;
    // The main pass's plane, which keeps everything (this driver clips by the distance the
    // shader writes even with clipping switched off).
    state.clipPlane = glm::vec4(0, 1, 0, 20000);
    ScenePasses passes;
    passes.drawAlone(water.renderObject(), state, camera.getFrustum());

    // After the draw, where a mesh draw could have bound the material's texture over them.
    const GLuint expected[4] = {targets.reflectionTexture(), targets.refractionTexture(),
                                water.getDudvMap().getName(), water.getNormalMap().getName()};
    for (int unit = 0; unit < 4; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_NE(expected[unit], 0u) << unit;
        EXPECT_EQ(static_cast<GLuint>(bound), expected[unit]) << "unit " << unit;
    }
    const GLuint program = water.renderObject().getProgram();
    const char* samplers[4] = {"reflectionTexture", "refractionTexture", "dudvMap", "normalMap"};
    for (int unit = 0; unit < 4; ++unit) {
        GLint value = -1;
        const GLint location = glGetUniformLocation(program, samplers[unit]);
        if (location < 0)
            continue; // a sampler the shader does not read
        glGetUniformiv(program, location, &value);
        EXPECT_EQ(value, unit) << samplers[unit];
    }
    GLfloat moveFactor = -1.0f;
    glGetUniformfv(program, glGetUniformLocation(program, "moveFactor"), &moveFactor);
    EXPECT_FLOAT_EQ(moveFactor, 0.1f);

    // The surface shows its green reflection, not the material's white.
    const std::vector<unsigned char> picture = target->read();
    double red = 0, green = 0;
    const int lit = litPixels(picture);
    for (size_t i = 0; i < picture.size(); i += 4) {
        red += picture[i];
        green += picture[i + 1];
    }
    ASSERT_GT(lit, 100) << "the water was not drawn";
    EXPECT_GT(green / lit, red / lit + 60) << "the water shows another texture";
    for (int unit = 0; unit < 4; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
}

TEST_F(EffectsTest, DebugLinesAreStoredThenDrawnInOneGoLeavingNothingBehind) {
    GBtDebugDraw drawer;
    EXPECT_EQ(drawer.getDebugMode(), -1);
    target->clear();

    const int before = liveNames();
    for (int i = 0; i < 5; ++i)
        drawer.drawLine(btVector3(-0.8f, 0.1f * i, 0), btVector3(0.8f, 0.1f * i, 0),
                        btVector3(1, 0, 0));
    EXPECT_EQ(drawer.getLines().size(), 5u);
    EXPECT_EQ(litPixels(target->read()), 0) << "the world's segments are only stored";
    // Identity view-projection: the lines lie in clip space.
    drawer.draw(glm::mat4(1.0f), glm::vec3(0.0f));
    GLint vertexArray = -1;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
    EXPECT_EQ(vertexArray, 0);
    EXPECT_EQ(liveNames(), before) << "every name the draw used is deleted";
    EXPECT_GT(litPixels(target->read()), 5 * Size / 2) << "the segments were drawn";

    drawer.clear();
    target->clear();
    drawer.draw(glm::mat4(1.0f), glm::vec3(0.0f)); // nothing stored: draws nothing
    EXPECT_EQ(litPixels(target->read()), 0);
    EXPECT_EQ(liveNames(), before);
}

TEST_F(EffectsTest, DebugDrawerDrawsAWorld) {
    GBtDebugDraw drawer;
    btDefaultCollisionConfiguration config;
    btCollisionDispatcher dispatcher(&config);
    btDbvtBroadphase broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world(&dispatcher, &broadphase, &solver, &config);
    btBoxShape shape(btVector3(1, 1, 1));
    btDefaultMotionState motion(btTransform(btQuaternion(0, 0, 0, 1), btVector3(0, 1, 0)));
    btRigidBody body(btRigidBody::btRigidBodyConstructionInfo(0.0f, &motion, &shape));
    world.addRigidBody(&body);
    world.setDebugDrawer(&drawer);

    target->clear();
    const int before = liveNames();
    world.debugDrawWorld();
    drawer.draw(viewProjection, camera.getPosition());
    EXPECT_EQ(liveNames(), before);
    const std::vector<unsigned char> frame = target->read();
    testgl::writeImage("debug_draw_box", frame, Size, Size);
    EXPECT_GT(litPixels(frame), 50);
    world.removeRigidBody(&body);
}

// Started from the wrong folder every program fails to build and none is current: the objects
// must then set no uniform and draw nothing, each frame, instead of raising GL errors.
TEST_F(EffectsTest, ObjectsWhoseShadersFailedTouchNoUniform) {
    const std::string empty = ::testing::TempDir() + "brindlemox_no_data";
    std::filesystem::remove_all(empty);
    std::filesystem::create_directories(empty);
    ASSERT_EQ(chdir(empty.c_str()), 0);
    ::testing::internal::CaptureStderr(); // the missing files are reported there
    ShaderLoader loader;
    const ProgramRef failed =
        ShaderProgram::adopt(loader.loadShaders("Shader/extendedVS.vs", "Shader/extendedFS.fs"));
    WaterRenderTargets targets(Size, Size);
    targets.init();
    WaterMesh water(glm::vec3(0, -1, 0), Size, Size, camera);
    water.setRenderTargets(&targets);
    SimpleWall wall(glm::vec3(0, 0, 0), 0, failed);
    Billboard billboard;
    ::testing::internal::GetCapturedStderr();
    target->clear();

    struct Case {
        const char* name;
        std::function<void()> frame;
    };
    RenderState state;
    state.viewProjection = viewProjection;
    ScenePasses passes;
    const Case cases[] = {
        {"water", [&] { passes.drawAlone(water.renderObject(), state, camera.getFrustum()); }},
        {"plain wall", [&] { passes.drawAlone(wall.renderObject(), state, camera.getFrustum()); }},
        {"billboard",
         [&] {
             billboard.useProgram();
             billboard.uploadBillboardUniforms(viewProjection, camera.getPosition(), 0.01f);
         }},
    };
    for (const Case& c : cases) {
        glUseProgram(0);
        c.frame();
        glFinish();
        EXPECT_EQ(gldebug::errorCount(), 0)
            << c.name << ": " << (gldebug::errors().empty() ? "" : gldebug::errors()[0]);
        gldebug::clear();
    }
    EXPECT_EQ(litPixels(target->read()), 0);

    ASSERT_EQ(chdir(scratch::dataDir().c_str()), 0);
}

// A flood of GL errors is counted in full; only the first few are kept and printed.
TEST_F(EffectsTest, GlErrorFloodIsCountedNotKept) {
    glUseProgram(0);
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 5000; ++i)
        glUniform1f(0, 1.0f); // no program in use
    glFinish();
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(gldebug::errorCount(), 5000);
    EXPECT_EQ(static_cast<int>(gldebug::errors().size()), gldebug::KeptMessages);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), gldebug::KeptMessages + 1);
    gldebug::clear();
}
