#include "platform/GlDebug.h"
#include "platform/Report.h"

#include <GL/glew.h>

#include <cstdio>

namespace brindlemox::platform {

namespace {

// Process-wide, like the context it listens to.
struct Record {
    int count = 0;
    std::vector<std::string> first;
};

Record& recorded() {
    static Record record;
    return record;
}

void GLAPIENTRY onDebugMessage(GLenum source, GLenum type, GLuint /*id*/, GLenum /*severity*/,
                               GLsizei /*length*/, const GLchar* message, const void* /*user*/) {
    // Shader compile and link problems are the shader loader's to report on the console.
    if (type != GL_DEBUG_TYPE_ERROR || source == GL_DEBUG_SOURCE_SHADER_COMPILER)
        return;
    Record& record = recorded();
    // Saturates rather than wraps in a game that runs for days with a broken driver.
    if (record.count < 0x7fffffff)
        ++record.count;
    if (record.count > gldebug::KeptMessages)
        return;
    record.first.emplace_back(message != nullptr ? message : "");
    report(Severity::Error, "GL error: " + record.first.back());
    if (record.count == gldebug::KeptMessages)
        report(Severity::Error, "GL error: further errors are counted, not printed");
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
    return recorded().count;
}
const std::vector<std::string>& errors() {
    return recorded().first;
}
void clear() {
    recorded() = Record{};
}

} // namespace gldebug

} // namespace brindlemox::platform
