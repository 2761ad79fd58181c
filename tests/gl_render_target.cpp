#include "render/RenderTarget.h"
#include "support/Checks.h"
#include "support/GlContext.h"
#include "support/RenderFixtures.h"

#include <string>
#include <vector>

using namespace brindlemox::render;

using checks::captureReports;

namespace {

const char* FlatVertex = R"(#version 330 core
uniform float depth;
void main() {
    vec2 corner = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID & 2) * 2 - 1));
    gl_Position = vec4(corner, depth, 1.0);
}
)";
const char* FlatFragment = R"(#version 330 core
uniform vec4 colour;
out vec4 fragColour;
void main() { fragColour = colour; }
)";

RenderTarget::Format format(GLint colour, GLenum layout, GLenum type, RenderTarget::Depth depth,
                            GLint depthFormat) {
    RenderTarget::Format f;
    f.colourInternalFormat = colour;
    f.colourFormat = layout;
    f.colourType = type;
    f.filter = GL_LINEAR;
    f.depth = depth;
    f.depthInternalFormat = depthFormat;
    return f;
}

using testgl::integer;

class RenderTargetTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        program = renderfix::compileProgram(FlatVertex, FlatFragment);
        glGenVertexArrays(1, &vertexArray);
        glGenTextures(1, &bystander);
    }
    void TearDown() override {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, 256, 256);
        glDisable(GL_DEPTH_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glBindTexture(GL_TEXTURE_2D, 0);
        glUseProgram(0);
        glBindVertexArray(0);
        glDeleteTextures(1, &bystander);
        glDeleteVertexArrays(1, &vertexArray);
        glDeleteProgram(program);
        GlTest::TearDown();
    }

    // A full-window triangle pair at depth (normalised device z) in colour.
    void drawFlat(float depth, float r, float g, float b) {
        glUseProgram(program);
        glUniform1f(glGetUniformLocation(program, "depth"), depth);
        glUniform4f(glGetUniformLocation(program, "colour"), r, g, b, 1.0f);
        glBindVertexArray(vertexArray);
        glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    }

    GLuint program = 0;
    GLuint vertexArray = 0;
    GLuint bystander = 0; // a texture bound before a target is made, still bound after
};

} // namespace

// A target is made whole, drawn into with its depth test working and read back, or, when the
// driver cannot make it, left empty with one line: binding it then draws nowhere, not even on
// the screen, and raises no GL error (the fixture fails on any).
TEST_F(RenderTargetTest, CompleteTargetsDrawAndEmptyOnesTouchNothing) {
    using Depth = RenderTarget::Depth;
    const int maxSize = integer(GL_MAX_TEXTURE_SIZE);
    const struct {
        const char* name;
        int width, height;
        RenderTarget::Format format;
        std::string message; // empty: made whole
    } cases[] = {
        {"bytes", 64, 32,
         format(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, Depth::Renderbuffer, GL_DEPTH_COMPONENT24),
         ""},
        {"floats", 17, 9,
         format(GL_RGBA32F, GL_RGBA, GL_FLOAT, Depth::Renderbuffer, GL_DEPTH_COMPONENT24), ""},
        {"depth texture", 40, 20,
         format(GL_RGB, GL_RGB, GL_UNSIGNED_BYTE, Depth::Texture, GL_DEPTH_COMPONENT32), ""},
        {"wide", maxSize + 1, 4,
         format(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, Depth::Renderbuffer, GL_DEPTH_COMPONENT24),
         "Failed to create render target wide (" + std::to_string(maxSize + 1) + " x 4)\n"},
        {"flat", 16, 0, format(GL_RGBA32F, GL_RGBA, GL_FLOAT, Depth::Texture, GL_DEPTH_COMPONENT32),
         "Failed to create render target flat (16 x 0)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, 256, 256);
        glClearColor(0.25f, 0.25f, 0.25f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, bystander);

        RenderTarget target;
        const std::string out =
            captureReports([&] { target = RenderTarget(c.name, c.width, c.height, c.format); });
        EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING), 0);
        EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(bystander));
        EXPECT_EQ(out, c.message);
        if (!c.message.empty()) {
            EXPECT_FALSE(target.valid());
            EXPECT_EQ(target.framebuffer(), 0u);
            EXPECT_EQ(target.colourTexture(), 0u);
            EXPECT_EQ(target.depthTexture(), 0u);
            EXPECT_EQ(target.depthRenderbuffer(), 0u);
        } else {
            ASSERT_TRUE(target.valid());
            EXPECT_EQ(target.width(), c.width);
            EXPECT_EQ(target.height(), c.height);
        }

        target.bind();
        EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
        EXPECT_NE(integer(GL_FRAMEBUFFER_BINDING), 0);
        std::vector<GLint> viewport(4);
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        EXPECT_EQ(viewport, (std::vector<GLint>{0, 0, target.valid() ? c.width : 1,
                                                target.valid() ? c.height : 1}));
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LESS);
        drawFlat(0.5f, 1.0f, 0.0f, 0.0f);
        drawFlat(0.8f, 0.0f, 1.0f, 0.0f); // behind: the depth test keeps it out
        glDisable(GL_DEPTH_TEST);

        if (target.valid()) {
            float pixel[4] = {-1.0f, -1.0f, -1.0f, -1.0f};
            glReadPixels(c.width / 2, c.height / 2, 1, 1, GL_RGBA, GL_FLOAT, pixel);
            EXPECT_FLOAT_EQ(pixel[0], 1.0f);
            EXPECT_FLOAT_EQ(pixel[1], 0.0f);
            EXPECT_FLOAT_EQ(pixel[2], 0.0f);
            if (target.depthTexture() != 0) {
                std::vector<float> depth(static_cast<size_t>(c.width) * c.height, -1.0f);
                glBindTexture(GL_TEXTURE_2D, target.depthTexture());
                glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
                glBindTexture(GL_TEXTURE_2D, 0);
                EXPECT_NEAR(depth[depth.size() / 2], 0.75f, 1e-4f);
            }
        }
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        const std::vector<unsigned char> screen = testgl::readPixels(128, 128, 1, 1);
        EXPECT_EQ(screen, (std::vector<unsigned char>{64, 64, 64, 255}));
    }
}
