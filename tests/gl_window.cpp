#include "platform/Window.h"
#include "support/GlContext.h"

#include <string>

using namespace brindlemox::platform;

namespace {

class WindowTest : public GlTest {
  protected:
    void TearDown() override {
        glfwMakeContextCurrent(testgl::window());
        GlTest::TearDown();
    }
};

} // namespace

// A window opens with its 3.3 core context current and GL loaded, or says why it did not.
TEST_F(WindowTest, OpensWithACurrentCoreContextOrGivesTheReason) {
    const struct {
        const char* name;
        int width, height;
        bool debug;
        WindowFailure failure;
        std::string reason;
    } cases[] = {
        {"plain", 48, 24, false, WindowFailure::None, ""},
        {"debug", 16, 16, true, WindowFailure::None, ""},
        {"no width", 0, 24, false, WindowFailure::Window, "Failed to open window"},
        {"negative height", 24, -5, false, WindowFailure::Window, "Failed to open window"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WindowOptions options;
        options.width = c.width;
        options.height = c.height;
        options.title = c.name;
        options.visible = false;
        options.debugContext = c.debug;
        const OpenedWindow opened = openWindow(options);
        EXPECT_EQ(opened.failure, c.failure);
        EXPECT_EQ(opened.reason(), c.reason);
        if (c.failure != WindowFailure::None) {
            EXPECT_EQ(opened.window, nullptr);
            continue;
        }
        ASSERT_NE(opened.window, nullptr);
        EXPECT_EQ(glfwGetCurrentContext(), opened.window);
        EXPECT_EQ(glfwGetWindowAttrib(opened.window, GLFW_VISIBLE), GLFW_FALSE);
        // At least 3.3: drivers may give a later core version.
        const int major = glfwGetWindowAttrib(opened.window, GLFW_CONTEXT_VERSION_MAJOR);
        const int minor = glfwGetWindowAttrib(opened.window, GLFW_CONTEXT_VERSION_MINOR);
        EXPECT_GE(major * 10 + minor, 33);
        EXPECT_EQ(glfwGetWindowAttrib(opened.window, GLFW_OPENGL_PROFILE),
                  GLFW_OPENGL_CORE_PROFILE);
        EXPECT_EQ(glfwGetWindowAttrib(opened.window, GLFW_OPENGL_DEBUG_CONTEXT),
                  c.debug ? GLFW_TRUE : GLFW_FALSE);
        // GL is loaded and no stray error is left behind.
        EXPECT_NE(glGenFramebuffers, nullptr);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        glfwDestroyWindow(opened.window);
        glfwMakeContextCurrent(testgl::window());
    }
}
