#include "support/GlContext.h"

#include "platform/GlDebug.h"
#include "platform/Window.h"

#include <stb_image_write.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace brindlemox::platform;

namespace {

GLFWwindow* sharedWindow = nullptr;

void createContext() {
    if (sharedWindow != nullptr)
        return;
    WindowOptions options;
    options.width = 256;
    options.height = 256;
    options.title = "Brindlemox tests";
    options.visible = false;
    options.debugContext = true;
    const OpenedWindow opened = openWindow(options);
    switch (opened.failure) {
    case WindowFailure::None:
        break;
    case WindowFailure::Glfw:
        ADD_FAILURE() << "glfwInit failed (is a display or Xvfb running?)";
        break;
    case WindowFailure::Window:
        ADD_FAILURE() << "could not create the hidden test window";
        break;
    case WindowFailure::Glew:
        ADD_FAILURE() << "glewInit failed";
        break;
    }
    sharedWindow = opened.window;
}

} // namespace

namespace testgl {

GLFWwindow* window() {
    createContext();
    return sharedWindow;
}

const std::string& dataDir() {
    static const std::string dir = BRINDLEMOX_TEST_DATA_DIR;
    return dir;
}

std::vector<unsigned char> readPixels(int x, int y, int width, int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

GLint integer(GLenum which) {
    GLint value = -1;
    glGetIntegerv(which, &value);
    return value;
}

namespace {

// Runs query with texture bound to GL_TEXTURE_2D, then binds back what was there.
template <typename Query> GLint withTexture(GLuint texture, Query query) {
    const GLint before = integer(GL_TEXTURE_BINDING_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    GLint value = -1;
    query(&value);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(before));
    return value;
}

} // namespace

GLint texParameter(GLuint texture, GLenum parameter) {
    return withTexture(texture,
                       [&](GLint* value) { glGetTexParameteriv(GL_TEXTURE_2D, parameter, value); });
}

GLint levelParameter(GLuint texture, int level, GLenum parameter) {
    return withTexture(texture, [&](GLint* value) {
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, value);
    });
}

GLint uniformInt(GLuint program, const char* name) {
    GLint value = -12345;
    glGetUniformiv(program, glGetUniformLocation(program, name), &value);
    return value;
}

std::string writeImage(const std::string& name, const std::vector<unsigned char>& rgba, int width,
                       int height) {
    std::filesystem::path dir = std::filesystem::path(BRINDLEMOX_TEST_OUTPUT_DIR);
    std::filesystem::create_directories(dir);
    std::string path = (dir / (name + ".png")).string();
    stbi_flip_vertically_on_write(1);
    stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4);
    stbi_flip_vertically_on_write(0);
    return path;
}

} // namespace testgl

void GlTest::SetUp() {
    ASSERT_NE(testgl::window(), nullptr);
    glfwMakeContextCurrent(testgl::window());
    ASSERT_EQ(chdir(testgl::dataDir().c_str()), 0);
    gldebug::clear();
}

void GlTest::TearDown() {
    glFinish();
    EXPECT_EQ(gldebug::errorCount(), 0) << "GL errors during the test, first: "
                                        << (gldebug::errors().empty() ? "" : gldebug::errors()[0]);
    gldebug::clear();
}
