#include "render/WaterRenderTargets.h"
#include "support/GlContext.h"

#include <vector>

using namespace brindlemox::render;

namespace {

using testgl::integer;
using testgl::texParameter;

GLint level0(GLuint texture, GLenum parameter) {
    return testgl::levelParameter(texture, 0, parameter);
}

GLint attachment(GLuint frameBuffer, GLenum point, GLenum parameter) {
    GLint value = -1;
    glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, point, parameter, &value);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return value;
}

std::vector<GLint> viewport() {
    std::vector<GLint> v(4, -1);
    glGetIntegerv(GL_VIEWPORT, v.data());
    return v;
}

class WaterTargetsTest : public GlTest {
  protected:
    void TearDown() override {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, 256, 256);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, 0);
        GlTest::TearDown();
    }
};

} // namespace

TEST_F(WaterTargetsTest, ConstructionOnlyStoresTheScreenSize) {
    WaterRenderTargets targets(1920, 1080);
    EXPECT_EQ(targets.getScreenWidth(), 1920);
    EXPECT_EQ(targets.getScreenHeight(), 1080);
    EXPECT_EQ(targets.reflectionTexture(), 0u);
    EXPECT_EQ(targets.refractionTexture(), 0u);
    EXPECT_EQ(targets.reflectionFrameBufferName(), 0u);
}

// Each target has its fixed size, a byte colour texture sampled linearly, and its depth: a
// renderbuffer for the reflection, a texture for the refraction.
TEST_F(WaterTargetsTest, EachTargetHasItsFixedSizeAndFormats) {
    WaterRenderTargets targets(640, 480);
    targets.init();
    const struct {
        const char* name;
        GLuint frameBuffer, colour, depth;
        int width, height;
        GLenum depthType; // GL_RENDERBUFFER or GL_TEXTURE
        GLint depthFormat;
        GLint depthBits; // at least
    } cases[] = {
        {"reflection", targets.reflectionFrameBufferName(), targets.reflectionTexture(),
         targets.reflectionDepthBufferName(), 320, 180, GL_RENDERBUFFER, GL_DEPTH_COMPONENT, 1},
        {"refraction", targets.refractionFrameBufferName(), targets.refractionTexture(),
         targets.refractionDepthTextureName(), 1780, 720, GL_TEXTURE, GL_DEPTH_COMPONENT32, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(glIsTexture(c.colour));
        EXPECT_EQ(level0(c.colour, GL_TEXTURE_WIDTH), c.width);
        EXPECT_EQ(level0(c.colour, GL_TEXTURE_HEIGHT), c.height);
        const GLint colourFormat = level0(c.colour, GL_TEXTURE_INTERNAL_FORMAT);
        EXPECT_TRUE(colourFormat == GL_RGB || colourFormat == GL_RGB8) << colourFormat;
        EXPECT_EQ(level0(c.colour, GL_TEXTURE_ALPHA_SIZE), 0);
        EXPECT_EQ(texParameter(c.colour, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
        EXPECT_EQ(texParameter(c.colour, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(texParameter(c.colour, GL_TEXTURE_WRAP_S), GL_REPEAT);

        const bool texture = c.depthType == GL_TEXTURE;
        ASSERT_TRUE(texture ? glIsTexture(c.depth) : glIsRenderbuffer(c.depth));
        const auto depth = [&](GLenum textureParameter, GLenum renderbufferParameter) {
            if (texture)
                return level0(c.depth, textureParameter);
            GLint value = -1;
            glBindRenderbuffer(GL_RENDERBUFFER, c.depth);
            glGetRenderbufferParameteriv(GL_RENDERBUFFER, renderbufferParameter, &value);
            glBindRenderbuffer(GL_RENDERBUFFER, 0);
            return value;
        };
        EXPECT_EQ(depth(GL_TEXTURE_WIDTH, GL_RENDERBUFFER_WIDTH), c.width);
        EXPECT_EQ(depth(GL_TEXTURE_HEIGHT, GL_RENDERBUFFER_HEIGHT), c.height);
        EXPECT_EQ(depth(GL_TEXTURE_INTERNAL_FORMAT, GL_RENDERBUFFER_INTERNAL_FORMAT),
                  c.depthFormat);
        EXPECT_GE(depth(GL_TEXTURE_DEPTH_SIZE, GL_RENDERBUFFER_DEPTH_SIZE), c.depthBits);
        if (texture) {
            EXPECT_EQ(texParameter(c.depth, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
            EXPECT_EQ(texParameter(c.depth, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        }

        const auto attached = [&](GLenum point, GLenum parameter) {
            return attachment(c.frameBuffer, point, parameter);
        };
        EXPECT_EQ(attached(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE),
                  GL_TEXTURE);
        EXPECT_EQ(attached(GL_COLOR_ATTACHMENT0, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
                  static_cast<GLint>(c.colour));
        EXPECT_EQ(attached(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE),
                  static_cast<GLint>(c.depthType));
        EXPECT_EQ(attached(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME),
                  static_cast<GLint>(c.depth));
    }
}

TEST_F(WaterTargetsTest, InitLeavesTheScreenBoundAndBothTargetsComplete) {
    WaterRenderTargets targets(200, 100);
    targets.init();
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 200, 100}));
    for (GLuint frameBuffer :
         {targets.reflectionFrameBufferName(), targets.refractionFrameBufferName()}) {
        glBindFramebuffer(GL_FRAMEBUFFER, frameBuffer);
        EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GL_FRAMEBUFFER_COMPLETE);
        GLint drawBuffer = 0;
        glGetIntegerv(GL_DRAW_BUFFER0, &drawBuffer);
        EXPECT_EQ(drawBuffer, GL_COLOR_ATTACHMENT0);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

TEST_F(WaterTargetsTest, BindingSwitchesTargetViewportAndUnbindsTheActiveTexture) {
    WaterRenderTargets targets(256, 256);
    targets.init();
    glActiveTexture(GL_TEXTURE2);

    glBindTexture(GL_TEXTURE_2D, targets.refractionTexture());
    targets.bindReflection();
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING),
              static_cast<GLint>(targets.reflectionFrameBufferName()));
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 320, 180}));
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);

    glBindTexture(GL_TEXTURE_2D, targets.reflectionTexture());
    targets.bindRefraction();
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING),
              static_cast<GLint>(targets.refractionFrameBufferName()));
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 1780, 720}));
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);

    targets.bindScreen();
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING), 0);
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 256, 256}));

    // The level follows the window's frame buffer size.
    targets.setScreenSize(128, 64);
    targets.bindReflection();
    targets.bindScreen();
    EXPECT_EQ(viewport(), (std::vector<GLint>{0, 0, 128, 64}));
}

TEST_F(WaterTargetsTest, BindingDoesNotClearAndWhatIsDrawnLandsInTheTexture) {
    WaterRenderTargets targets(256, 256);
    targets.init();
    targets.bindReflection();
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    targets.bindScreen();
    targets.bindReflection(); // binding again keeps what was drawn
    targets.bindScreen();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    std::vector<unsigned char> rgb(320 * 180 * 3, 7);
    glBindTexture(GL_TEXTURE_2D, targets.reflectionTexture());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(rgb[0], 0);
    EXPECT_EQ(rgb[1], 255);
    EXPECT_EQ(rgb[rgb.size() - 2], 255);
}

TEST_F(WaterTargetsTest, DestructionDeletesEveryName) {
    GLuint frameBuffers[2], textures[3], renderBuffer;
    {
        WaterRenderTargets targets(256, 256);
        targets.init();
        frameBuffers[0] = targets.reflectionFrameBufferName();
        frameBuffers[1] = targets.refractionFrameBufferName();
        textures[0] = targets.reflectionTexture();
        textures[1] = targets.refractionTexture();
        textures[2] = targets.refractionDepthTextureName();
        renderBuffer = targets.reflectionDepthBufferName();
    }
    for (GLuint name : frameBuffers)
        EXPECT_FALSE(glIsFramebuffer(name));
    for (GLuint name : textures)
        EXPECT_FALSE(glIsTexture(name));
    EXPECT_FALSE(glIsRenderbuffer(renderBuffer));
}
