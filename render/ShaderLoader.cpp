#include "render/ShaderLoader.h"

#include "platform/DataFile.h"
#include "platform/Printable.h"
#include "platform/Report.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>

namespace brindlemox::render {

using namespace platform;

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

// The driver's compile or link log, a report a line (its lines end in line ends).
void reportLog(const std::string& log) {
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            report(Severity::Warning, line);
}

} // namespace

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

std::string ShaderLoader::expandIncludes(const std::string& source, const std::string& stagePath,
                                         std::string& missing) {
    const size_t slash = stagePath.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : stagePath.substr(0, slash + 1);
    std::istringstream lines(source);
    std::string expanded;
    std::string line;
    int number = 0; // the driver's count: sourceFromLines starts with an empty line
    bool first = true;
    while (std::getline(lines, line)) {
        ++number;
        if (!first)
            expanded += "\n";
        first = false;
        const size_t start = line.find_first_not_of(" \t");
        const bool directive =
            start != std::string::npos && line.compare(start, 8, "#include") == 0;
        const size_t open = directive ? line.find('"', start + 8) : std::string::npos;
        const size_t close =
            open != std::string::npos ? line.find('"', open + 1) : std::string::npos;
        if (close == std::string::npos) {
            expanded += line;
            continue;
        }
        const std::string path = folder + line.substr(open + 1, close - open - 1);
        const std::optional<std::string> contents = datafile::read(path, datafile::MaxShaderBytes);
        if (!contents) {
            missing = path;
            return std::string();
        }
        std::istringstream file(*contents);
        expanded +=
            "#line 1 1" + sourceFromLines(file) + "\n#line " + std::to_string(number + 1) + " 0";
    }
    return expanded;
}

ShaderLoader::SourceShape ShaderLoader::measureSource(const std::string& source) {
    SourceShape shape;
    int operators = 0;
    int nesting = 0;
    for (size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        const char next = i + 1 < source.size() ? source[i + 1] : '\0';
        if (c == '/' && next == '/') {
            i = source.find('\n', i);
            if (i == std::string::npos)
                break;
            continue;
        }
        if (c == '/' && next == '*') {
            i = source.find("*/", i + 2);
            if (i == std::string::npos)
                break;
            ++i;
            continue;
        }
        switch (c) {
        case ';':
        case '{':
        case '}':
            operators = 0;
            break;
        case '(':
        case '[':
            shape.deepestNesting = std::max(shape.deepestNesting, ++nesting);
            break;
        case ')':
        case ']':
            nesting = std::max(0, nesting - 1);
            break;
        case '+':
        case '-':
        case '*':
        case '/':
        case '%':
        case '<':
        case '>':
        case '=':
        case '!':
        case '&':
        case '|':
        case '^':
        case '?':
        case ':':
        case '.':
        case ',':
            shape.longestStatement = std::max(shape.longestStatement, ++operators);
            break;
        default:
            break;
        }
    }
    return shape;
}

std::string ShaderLoader::refusal(const std::string& source) {
    const SourceShape shape = measureSource(source);
    if (shape.longestStatement > MaxOperatorsPerStatement)
        return "more than " + std::to_string(MaxOperatorsPerStatement) +
               " operators in one statement";
    if (shape.deepestNesting > MaxNesting)
        return "brackets nested more than " + std::to_string(MaxNesting) + " deep";
    return std::string();
}

gl::Shader ShaderLoader::compileShader(const std::string& path, int stage) {
    gl::Shader shader(glCreateShader(glStage(stage)));
    // Only a regular file of sane size: a pipe or a device would never end, a folder is no file.
    datafile::Refusal why;
    const std::optional<std::string> contents =
        datafile::read(path, datafile::MaxShaderBytes, &why);
    if (!contents) {
        if (datafile::isMissing(why))
            report(Severity::Error,
                   "Impossible to open " + path + ". Are you in the right directory ?");
        else
            report(Severity::Error, "Impossible to open " + path + ": " +
                                        datafile::describe(why, datafile::MaxShaderBytes));
        // The stage object is never used; its handle drops it.
        return gl::Shader();
    }
    std::istringstream file(*contents);
    std::string missing;
    std::string source = expandIncludes(sourceFromLines(file), path, missing);
    if (!missing.empty()) {
        report(Severity::Error,
               "Impossible to open " + missing + ". Are you in the right directory ?");
        return gl::Shader();
    }
    const std::string refused = refusal(source);
    if (!refused.empty()) {
        report(Severity::Error, path + " is not compiled: " + refused);
        return gl::Shader();
    }

    report(Severity::Progress, "Compiling shader : " + path);
    const char* text = source.c_str();
    glShaderSource(shader.get(), 1, &text, nullptr);
    glCompileShader(shader.get());

    GLint status = GL_FALSE;
    GLint logLength = 0;
    glGetShaderiv(shader.get(), GL_COMPILE_STATUS, &status);
    glGetShaderiv(shader.get(), GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0) {
        std::vector<char> log(static_cast<size_t>(logLength) + 1, '\0');
        glGetShaderInfoLog(shader.get(), logLength, nullptr, log.data());
        reportLog(log.data());
    }
    return shader;
}

GLuint ShaderLoader::addShader(const std::string& path, int stage) {
    gl::Shader shader = compileShader(path, stage);
    const GLuint name = shader.get();
    // Name 0 is rejected by GL; only attach what exists so the error log stays quiet.
    if (name != 0)
        glAttachShader(program, name);
    attached.push_back(std::move(shader));
    return name;
}

void ShaderLoader::linkProgram() {
    report(Severity::Progress, "Linking program");
    glLinkProgram(program);
    GLint status = GL_FALSE;
    GLint logLength = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0) {
        std::vector<char> log(static_cast<size_t>(logLength) + 1, '\0');
        glGetProgramInfoLog(program, logLength, nullptr, log.data());
        reportLog(log.data());
    }
    for (const gl::Shader& shader : attached)
        if (shader)
            glDetachShader(program, shader.get());
    attached.clear(); // deletes the stages

    std::fflush(stdout);
}

GLuint ShaderLoader::loadShaders(const std::string& vertexPath, const std::string& fragmentPath) {
    createProgram();
    addShader(vertexPath, VertexStage);
    addShader(fragmentPath, FragmentStage);
    linkProgram();
    return program;
}

} // namespace brindlemox::render
