#include "render/ShaderLoader.h"

#include "app/Platform.h"

#include <cstdio>
#include <fstream>

namespace {

GLenum glStage(int stage) {
    switch (stage) {
    case FragmentStage:
        return GL_FRAGMENT_SHADER;
    case GeometryStage:
        return GL_GEOMETRY_SHADER;
    default:
        return GL_VERTEX_SHADER;
    }
}

} // namespace

ShaderLoader::~ShaderLoader() {
    for (GLuint name : attached)
        if (name != 0)
            glDeleteShader(name);
}

GLuint ShaderLoader::createProgram() {
    program = glCreateProgram();
    return program;
}

std::string ShaderLoader::sourceFromLines(std::istream& in) {
    std::string source;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        source += "\n";
        source += line;
    }
    return source;
}

GLuint ShaderLoader::compileShader(const std::string& path, int stage) {
    GLuint shader = glCreateShader(glStage(stage));
    std::ifstream file(path);
    if (!file.is_open()) {
        std::printf("Impossible to open %s. Are you in the right directory ?\n", path.c_str());
        // The stage object is never used; drop it now rather than leak it.
        glDeleteShader(shader);
        platform().waitForKey();
        return 0;
    }
    std::string source = sourceFromLines(file);

    std::printf("Compiling shader : %s\n", path.c_str());
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);

    GLint status = GL_FALSE;
    GLint logLength = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0) {
        std::vector<char> log(static_cast<size_t>(logLength) + 1, '\0');
        glGetShaderInfoLog(shader, logLength, nullptr, log.data());
        std::printf("%s\n", log.data());
    }
    return shader;
}

GLuint ShaderLoader::addShader(const std::string& path, int stage) {
    GLuint shader = compileShader(path, stage);
    // Name 0 is rejected by GL; only attach what exists so the error log stays quiet.
    if (shader != 0)
        glAttachShader(program, shader);
    attached.push_back(shader);
    return shader;
}

void ShaderLoader::linkProgram() {
    std::printf("Linking program\n");
    glLinkProgram(program);
    GLint status = GL_FALSE;
    GLint logLength = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0) {
        std::vector<char> log(static_cast<size_t>(logLength) + 1, '\0');
        glGetProgramInfoLog(program, logLength, nullptr, log.data());
        std::printf("%s\n", log.data());
    }
    for (GLuint name : attached) {
        if (name == 0)
            continue;
        glDetachShader(program, name);
        glDeleteShader(name);
    }
    attached.clear();
    std::fflush(stdout);
}

GLuint ShaderLoader::loadShaders(const std::string& vertexPath, const std::string& fragmentPath) {
    createProgram();
    addShader(vertexPath, VertexStage);
    addShader(fragmentPath, FragmentStage);
    linkProgram();
    return program;
}
