#include "render/GlDebug.h"

#include <GL/glew.h>

#include <cstdio>

namespace {

// Process-wide, like the context it listens to.
std::vector<std::string>& recorded() {
    static std::vector<std::string> messages;
    return messages;
}

void GLAPIENTRY onDebugMessage(GLenum source, GLenum type, GLuint /*id*/, GLenum severity,
                               GLsizei /*length*/, const GLchar* message, const void* /*user*/) {
    // Shader compile and link problems are the shader loader's to report on the console.
    if (type != GL_DEBUG_TYPE_ERROR || source == GL_DEBUG_SOURCE_SHADER_COMPILER)
        return;
    (void)severity;
    recorded().emplace_back(message != nullptr ? message : "");
    std::fprintf(stderr, "GL error: %s\n", message != nullptr ? message : "");
}

} // namespace

namespace gldebug {

bool install() {
    if (!GLEW_KHR_debug && !GLEW_VERSION_4_3)
        return false;
    glEnable(GL_DEBUG_OUTPUT);
    glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
    glDebugMessageCallback(onDebugMessage, nullptr);
    return true;
}

int errorCount() {
    return static_cast<int>(recorded().size());
}
const std::vector<std::string>& errors() {
    return recorded();
}
void clear() {
    recorded().clear();
}

} // namespace gldebug
