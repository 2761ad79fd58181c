#include "render/LightSet.h"
#include "render/RenderObject.h"
#include "render/ScenePasses.h"
#include "support/Checks.h"
#include "support/Files.h"
#include "support/GlContext.h"
#include "support/RenderFixtures.h"

#include <stb_image_write.h>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <cmath>
#include <functional>

using namespace brindlemox::render;

using checks::captureReports;
using testfiles::ScratchDir;

namespace {

using Prop = RenderObject;

std::vector<float> uniformFloats(GLuint program, const char* name, size_t count) {
    std::vector<float> values(count, -12345.0f);
    glGetUniformfv(program, glGetUniformLocation(program, name), values.data());
    return values;
}

using testgl::uniformInt;

class RenderObjectTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        shared = ShaderProgram::adopt(renderfix::compileProgram(renderfix::ModelVertexSource,
                                                                renderfix::ModelFragmentSource));
        program = shared->get();
        const std::vector<unsigned char> rgb(12, 200);
        image = dir.file("white.png");
        ASSERT_NE(stbi_write_png(image.c_str(), 2, 2, 3, rgb.data(), 6), 0);
        dir.write("red.mtl", "newmtl red\nKa 0 0 0\nKd 1 0 0\nKs 0 0 0\nmap_Kd " + image + "\n");
        // A 4 x 4 square around the origin in the z = 0 plane.
        squarePath = dir.write("square.obj", "mtllib red.mtl\n"
                                             "v -2 -2 0\nv 2 -2 0\nv 2 2 0\nv -2 2 0\n"
                                             "vt 0 0\nvn 0 0 1\nusemtl red\n"
                                             "f 1/1/1 2/1/1 3/1/1 4/1/1\n");
        glDisable(GL_DEPTH_TEST);
    }
    void TearDown() override {
        glUseProgram(0);
        shared.reset();
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, 0);
        GlTest::TearDown();
    }

    std::unique_ptr<Prop> makeSquare() {
        std::unique_ptr<Prop> prop;
        captureReports([&] { prop = std::make_unique<Prop>(squarePath, shared); });
        return prop;
    }

    // The camera at the origin looking down -z, and the matching frustum.
    static glm::mat4 viewProjection() {
        return glm::perspective(glm::radians(90.0f), 1.0f, 1.0f, 100.0f) *
               glm::lookAt(glm::vec3(0.0f), glm::vec3(0, 0, -1), glm::vec3(0, 1, 0));
    }
    static Frustum frustum() {
        Frustum f;
        f.build(90.0f, 1.0f, 1.0f, 100.0f, glm::vec3(0, 0, -1), glm::vec3(0, 1, 0),
                glm::vec3(0.0f));
        return f;
    }

    ScratchDir dir{"drawable"};
    ScenePasses passes;
    ProgramRef shared;
    GLuint program = 0; // its name
    std::string image;
    std::string squarePath;
};

} // namespace

TEST_F(RenderObjectTest, ConstructionFromAFileMeasuresTheBoundingSphere) {
    auto prop = makeSquare();
    EXPECT_EQ(prop->getBoundingCentre(), glm::vec3(0.0f));
    EXPECT_NEAR(prop->getBoundingRadius(), std::sqrt(8.0f), 1e-5f);
    EXPECT_EQ(prop->getProgram(), program);
    EXPECT_EQ(prop->getTriangles().size(), 2u);
    prop->setScale(3.0f);
    EXPECT_NEAR(prop->getBoundingRadius(), 3.0f * std::sqrt(8.0f), 1e-4f);
}

TEST_F(RenderObjectTest, UploadsTheUniformConvention) {
    auto prop = makeSquare();
    prop->getTransform().move(1.0f, 2.0f, -3.0f);
    prop->getTransform().rotateY(30.0f);
    prop->setAlpha(0.5f);
    RenderState state;
    state.viewProjection = viewProjection();
    state.clipPlane = glm::vec4(0.0f, 1.0f, 0.0f, -1.0f);
    state.celShading = true;
    state.levels = 4;

    glActiveTexture(GL_TEXTURE0);
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "textureSampler"), 5);
    glUseProgram(0);
    passes.drawAlone(*prop, state, frustum());
    GLint current = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(static_cast<GLuint>(current), program);

    const glm::mat4 m = prop->getModelMatrix();
    const glm::mat4 mvp = state.viewProjection * m;
    const std::vector<float> mvpRead = uniformFloats(program, "mvp", 16);
    const std::vector<float> modelRead = uniformFloats(program, "modelMat", 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(mvpRead[i], glm::value_ptr(mvp)[i]) << i;
        EXPECT_FLOAT_EQ(modelRead[i], glm::value_ptr(m)[i]) << i;
    }
    EXPECT_FLOAT_EQ(uniformFloats(program, "alpha", 1)[0], 0.5f);
    EXPECT_EQ(uniformInt(program, "isCelShading"), 1);
    EXPECT_EQ(uniformInt(program, "textureSampler"), 0);
    EXPECT_EQ(uniformInt(program, "levels"), 4);
    EXPECT_EQ(uniformFloats(program, "plane", 4), (std::vector<float>{0.0f, 1.0f, 0.0f, -1.0f}));

    state.celShading = false;
    passes.drawAlone(*prop, state, frustum());
    EXPECT_EQ(uniformInt(program, "isCelShading"), 0);
}

TEST_F(RenderObjectTest, DrawsWhenInViewAndTouchesNothingWhenCulled) {
    auto prop = makeSquare();
    RenderState state;
    state.viewProjection = viewProjection();
    renderfix::OffscreenTarget target(32, 32);

    prop->getTransform().move(0.0f, 0.0f, -3.0f);
    glActiveTexture(GL_TEXTURE0);
    passes.drawAlone(*prop, state, frustum());
    std::vector<unsigned char> centre = testgl::readPixels(16, 16, 1, 1);
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 0);

    // Behind the camera: no pixel, no texture bind, no material colour.
    glClear(GL_COLOR_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, 0);
    glUniform3f(glGetUniformLocation(program, "material.diffuse"), 0.0f, 0.0f, 1.0f);
    prop->getTransform().move(0.0f, 0.0f, 6.0f);
    ASSERT_FALSE(prop->isInFrustum(frustum()));
    passes.drawAlone(*prop, state, frustum());
    const std::vector<unsigned char> pixels = testgl::readPixels(0, 0, 32, 32);
    size_t lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        lit += pixels[i] + pixels[i + 1] + pixels[i + 2] > 0 ? 1 : 0;
    EXPECT_EQ(lit, 0u);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(uniformFloats(program, "material.diffuse", 3), (std::vector<float>{0, 0, 1}));
}

TEST_F(RenderObjectTest, MissingModelDrawsNothingAndStaysFinite) {
    std::unique_ptr<Prop> prop;
    const std::string out =
        captureReports([&] { prop = std::make_unique<Prop>("Obj/none.obj", shared); });
    EXPECT_EQ(out, "error loading model Obj/none.obj\n");
    EXPECT_EQ(prop->getBoundingCentre(), glm::vec3(0.0f));
    EXPECT_EQ(prop->getBoundingRadius(), 0.0f);
    EXPECT_FALSE(prop->isInFrustum(frustum()));
    renderfix::OffscreenTarget target(8, 8);
    passes.drawAlone(*prop, RenderState(), frustum());
    EXPECT_EQ(testgl::readPixels(4, 4, 1, 1)[0], 0);
}

TEST_F(RenderObjectTest, AProgramLivesAsLongAsItsLastUser) {
    makeSquare().reset();
    EXPECT_TRUE(glIsProgram(program)) << "the fixture still holds it";

    ProgramRef own = ShaderProgram::adopt(
        renderfix::compileProgram(renderfix::ModelVertexSource, renderfix::ModelFragmentSource));
    const GLuint name = own->get();
    {
        auto prop = makeSquare();
        auto other = makeSquare();
        prop->program = own;
        other->program = own;
        own.reset();
        prop.reset();
        EXPECT_TRUE(glIsProgram(name)) << "another object still draws with it";
    }
    EXPECT_FALSE(glIsProgram(name)) << "deleted with its last user";
    EXPECT_TRUE(glIsProgram(program));
}

TEST_F(RenderObjectTest, DestructionFreesTheModelBuffers) {
    GLuint vertexBuffer = 0;
    {
        auto prop = makeSquare();
        vertexBuffer = prop->getModel()->getMesh(0).vertexBuffer.get();
        EXPECT_TRUE(glIsBuffer(vertexBuffer));
    }
    EXPECT_FALSE(glIsBuffer(vertexBuffer));
}

namespace {

const char* LitFragmentSource = R"(#version 330 core
out vec4 colour;
struct Light { vec3 lightPosWorld; float lightPower; float constant; float linear; float quadratic; };
uniform Light light[12];
uniform int countLights;
void main() {
    vec3 sum = vec3(0.0);
    for (int i = 0; i < countLights; ++i)
        sum += light[i].lightPosWorld * light[i].lightPower
               + vec3(light[i].constant, light[i].linear, light[i].quadratic);
    colour = vec4(sum, 1.0);
}
)";

const char* PlainVertexSource = R"(#version 330 core
layout(location = 0) in vec3 position;
void main() { gl_Position = vec4(position, 1.0); }
)";

} // namespace

TEST_F(RenderObjectTest, LightSetWritesEveryLightByName) {
    const GLuint lit = renderfix::compileProgram(PlainVertexSource, LitFragmentSource);
    std::vector<Light> lights;
    for (int i = 0; i < 11; ++i)
        lights.emplace_back(glm::vec3(i, 2 * i, -i), 10.0f + i);
    LightSet set(lights);
    glUseProgram(lit);
    set.upload(lit);
    EXPECT_EQ(uniformInt(lit, "countLights"), 11);
    EXPECT_EQ(uniformFloats(lit, "light[10].lightPosWorld", 3),
              (std::vector<float>{10.0f, 20.0f, -10.0f}));
    EXPECT_FLOAT_EQ(uniformFloats(lit, "light[10].lightPower", 1)[0], 20.0f);
    EXPECT_FLOAT_EQ(uniformFloats(lit, "light[3].constant", 1)[0], 1.0f);
    EXPECT_FLOAT_EQ(uniformFloats(lit, "light[3].linear", 1)[0], 0.35f);
    EXPECT_FLOAT_EQ(uniformFloats(lit, "light[3].quadratic", 1)[0], 0.44f);
    // Nothing past the last light is written.
    EXPECT_FLOAT_EQ(uniformFloats(lit, "light[11].lightPower", 1)[0], 0.0f);

    LightSet none({});
    none.upload(lit);
    EXPECT_EQ(uniformInt(lit, "countLights"), 0);
    EXPECT_FLOAT_EQ(uniformFloats(lit, "light[0].lightPower", 1)[0], 10.0f);
    glUseProgram(0);
    glDeleteProgram(lit);
}

TEST_F(RenderObjectTest, AProgramIsGivenEachSetOfLightsOnce) {
    const ProgramRef lit =
        ShaderProgram::adopt(renderfix::compileProgram(PlainVertexSource, LitFragmentSource));
    const LightSet first({Light(glm::vec3(1.0f), 5.0f)});
    const LightSet second({Light(glm::vec3(2.0f), 7.0f), Light(glm::vec3(3.0f), 9.0f)});
    glUseProgram(lit->get());
    const GLint power = glGetUniformLocation(lit->get(), "light[0].lightPower");
    // Each row: the set given, a power written behind the set's back before it (-1: none), and
    // the power the program then holds.
    const struct {
        const LightSet* set;
        float overwritten;
        float held;
    } steps[] = {{&first, -1.0f, 5.0f},
                 {&first, 1.0f, 1.0f}, // held already: not written again
                 {&second, -1.0f, 7.0f},
                 {&first, -1.0f, 5.0f}};
    for (const auto& step : steps) {
        if (step.overwritten >= 0.0f)
            glUniform1f(power, step.overwritten);
        step.set->uploadTo(*lit);
        EXPECT_FLOAT_EQ(uniformFloats(lit->get(), "light[0].lightPower", 1)[0], step.held);
        EXPECT_EQ(uniformInt(lit->get(), "countLights"),
                  static_cast<int>(step.set->getLights().size()));
    }
    glUseProgram(0);
}

TEST_F(RenderObjectTest, LightSetLeavesAProgramWithoutLightsAlone) {
    LightSet set({Light(glm::vec3(1.0f), 5.0f)});
    glUseProgram(program);
    glUniform1f(glGetUniformLocation(program, "alpha"), 0.25f);
    set.upload(program); // every name is missing: -1 locations, no GL error
    EXPECT_FLOAT_EQ(uniformFloats(program, "alpha", 1)[0], 0.25f);
}

TEST_F(RenderObjectTest, ProgramThatFailedToLinkDrawsNothingAndRaisesNoGlError) {
    const GLuint name = glCreateProgram();
    glLinkProgram(name); // no stages: the link fails, as with missing shader files
    const ProgramRef broken = ShaderProgram::adopt(name);
    std::unique_ptr<Prop> prop;
    captureReports([&] { prop = std::make_unique<Prop>(squarePath, broken); });
    renderfix::OffscreenTarget target(16, 16);
    glUseProgram(0);
    RenderState state;
    state.viewProjection = viewProjection();
    prop->getTransform().move(0.0f, 0.0f, -3.0f);
    const LightSet lights({Light(glm::vec3(0.0f), 1.0f)});
    lights.upload(name);
    passes.drawAlone(*prop, state, frustum(), &lights);
    EXPECT_EQ(testgl::readPixels(8, 8, 1, 1)[0], 0);
    prop.reset();
}

TEST_F(RenderObjectTest, ProgramSendsAUniformOnlyWhenItsValueChanges) {
    // A value written behind the program's back shows whether set() sent its own.
    const GLint alpha = glGetUniformLocation(program, "alpha");
    const GLint sampler = glGetUniformLocation(program, "textureSampler");
    const GLint plane = glGetUniformLocation(program, "plane");
    glUseProgram(program);
    shared->set(alpha, 0.5f);
    shared->set(sampler, GLint{2});
    shared->set(plane, glm::vec4(1.0f, 2.0f, 3.0f, 4.0f));
    glUniform1f(alpha, 0.25f);
    glUniform1i(sampler, 7);
    glUniform4f(plane, 9.0f, 9.0f, 9.0f, 9.0f);
    const struct {
        const char* what;
        std::function<void()> set;
        std::function<std::vector<float>()> read;
        std::vector<float> expected;
    } cases[] = {
        {"the same float is not sent",
         [&] { shared->set(alpha, 0.5f); },
         [&] { return uniformFloats(program, "alpha", 1); },
         {0.25f}},
        {"the same int is not sent",
         [&] { shared->set(sampler, GLint{2}); },
         [&] { return std::vector<float>{float(uniformInt(program, "textureSampler"))}; },
         {7.0f}},
        {"the same vector is not sent",
         [&] { shared->set(plane, glm::vec4(1, 2, 3, 4)); },
         [&] { return uniformFloats(program, "plane", 4); },
         {9.0f, 9.0f, 9.0f, 9.0f}},
        {"another float is",
         [&] { shared->set(alpha, 0.75f); },
         [&] { return uniformFloats(program, "alpha", 1); },
         {0.75f}},
        {"another vector is, one component changed",
         [&] { shared->set(plane, glm::vec4(1, 2, 3, 5)); },
         [&] { return uniformFloats(program, "plane", 4); },
         {1.0f, 2.0f, 3.0f, 5.0f}},
        {"location -1 sends nothing",
         [&] { shared->set(-1, 1.0f); },
         [&] { return std::vector<float>{float(glGetError())}; },
         {float(GL_NO_ERROR)}},
    };
    for (const auto& c : cases) {
        c.set();
        EXPECT_EQ(c.read(), c.expected) << c.what;
    }
}
