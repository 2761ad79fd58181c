// Compiles and links every shader program of the game with its stage set on the current GL
// driver, checks that the uniforms the game sets are live in each program, and runs the
// particle update program for a while to check that its population stays inside the pool.
//   shadercheck <data folder>
// With --expand it opens no window: it writes each program's stages, the includes in place as the
// game puts them, to <out folder>/<program>/<stage>.{vert,geom,frag} for an offline compiler.
//   shadercheck --expand <data folder> <out folder>

#include "platform/Report.h"
#include "platform/Window.h"
#include "render/Semantics.h"
#include "render/ShaderLoader.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::render;

namespace {

int failures = 0;
std::string dataFolder;

void check(bool ok, const std::string& what) {
    if (!ok) {
        ++failures;
        report(Severity::Error, "FAIL " + what);
    }
}

// A compile or link log under its heading, a report a line.
void reportLog(const std::string& heading, const std::string& log) {
    report(Severity::Warning, heading);
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            report(Severity::Warning, line);
}

// The stage as the game compiles it: with the files it includes in place.
std::string expandedSource(const std::string& file) {
    const std::string path = dataFolder + "/Shader/" + file;
    std::ifstream in(path);
    check(static_cast<bool>(in), file + ": exists");
    std::string missing;
    const std::string text =
        ShaderLoader::expandIncludes(ShaderLoader::sourceFromLines(in), path, missing);
    check(missing.empty(), file + ": includes " + missing);
    return text;
}

GLuint compile(const std::string& file, GLenum stage) {
    const std::string text = expandedSource(file);
    const char* pointer = text.c_str();
    const GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &pointer, nullptr);
    glCompileShader(shader);
    GLint ok = 0, length = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    if (length > 1) {
        std::vector<char> log(length + 1);
        glGetShaderInfoLog(shader, length, nullptr, log.data());
        reportLog(file + ":", log.data());
    }
    check(ok == GL_TRUE, file + ": compiles");
    return shader;
}

struct Stage {
    std::string file;
    GLenum type;
};

struct Program {
    std::string name;
    std::vector<Stage> stages;
};

// Every program the game builds, with its stage set.
const std::vector<Program>& programs() {
    static const std::vector<Program> all = {
        {"entity", {{"extendedVS.vs", GL_VERTEX_SHADER}, {"extendedFS.fs", GL_FRAGMENT_SHADER}}},
        {"light map", {{"lightMapVS.vs", GL_VERTEX_SHADER}, {"lightMapFS.fs", GL_FRAGMENT_SHADER}}},
        {"matte light map",
         {{"lightMapVS.vs", GL_VERTEX_SHADER}, {"lightMapMatteFS.fs", GL_FRAGMENT_SHADER}}},
        {"text", {{"textVS.vs", GL_VERTEX_SHADER}, {"textFS.fs", GL_FRAGMENT_SHADER}}},
        {"HUD picture",
         {{"hudPictureVS.vs", GL_VERTEX_SHADER}, {"hudPictureFS.fs", GL_FRAGMENT_SHADER}}},
        {"HUD shapes",
         {{"hudShapeVS.vs", GL_VERTEX_SHADER}, {"hudShapeFS.fs", GL_FRAGMENT_SHADER}}},
        {"water", {{"WaterMeshVS.vs", GL_VERTEX_SHADER}, {"WaterMeshFS.fs", GL_FRAGMENT_SHADER}}},
        {"debug lines",
         {{"debugDrawVS.vs", GL_VERTEX_SHADER}, {"debugDrawFS.fs", GL_FRAGMENT_SHADER}}},
        {"billboard",
         {{"billboardVS.vs", GL_VERTEX_SHADER},
          {"billboardGS.gs", GL_GEOMETRY_SHADER},
          {"billboardFS.fs", GL_FRAGMENT_SHADER}}},
        {"particle update",
         {{"particleVS.vs", GL_VERTEX_SHADER}, {"particleGS.gs", GL_GEOMETRY_SHADER}}},
    };
    return all;
}

// The stages of the named program; none, and a failed check, for a name not in the table.
const std::vector<Stage>& stagesOf(const std::string& name) {
    static const std::vector<Stage> none;
    for (const Program& program : programs())
        if (program.name == name)
            return program.stages;
    check(false, "no program \"" + name + "\" in the table");
    return none;
}

// Writes the expanded stages of every program for an offline compiler, which tells a stage by
// its file's extension.
int writeExpanded(const std::string& outFolder) {
    namespace fs = std::filesystem;
    for (const Program& program : programs()) {
        std::string folderName = program.name;
        for (char& c : folderName)
            if (c == ' ')
                c = '-';
        const fs::path folder = fs::path(outFolder) / folderName;
        fs::create_directories(folder);
        for (const Stage& stage : program.stages) {
            const char* extension = stage.type == GL_VERTEX_SHADER     ? ".vert"
                                    : stage.type == GL_GEOMETRY_SHADER ? ".geom"
                                                                       : ".frag";
            std::ofstream out(folder / (fs::path(stage.file).stem().string() + extension));
            out << expandedSource(stage.file);
            check(static_cast<bool>(out), folderName + "/" + stage.file + ": written");
        }
        std::printf("%s\n", folderName.c_str());
    }
    return failures == 0 ? 0 : 1;
}

GLuint build(const std::string& name, const std::vector<const char*>& feedback = {}) {
    const std::vector<Stage>& stages = stagesOf(name);
    const GLuint program = glCreateProgram();
    std::vector<GLuint> shaders;
    for (const Stage& s : stages) {
        shaders.push_back(compile(s.file, s.type));
        glAttachShader(program, shaders.back());
    }
    if (!feedback.empty())
        glTransformFeedbackVaryings(program, static_cast<GLsizei>(feedback.size()), feedback.data(),
                                    GL_INTERLEAVED_ATTRIBS);
    glLinkProgram(program);
    GLint ok = 0, length = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    if (length > 1) {
        std::vector<char> log(length + 1);
        glGetProgramInfoLog(program, length, nullptr, log.data());
        reportLog(name + " link:", log.data());
    }
    check(ok == GL_TRUE, name + ": links");
    for (GLuint s : shaders) {
        glDetachShader(program, s);
        glDeleteShader(s);
    }
    std::printf("  %s: %s\n", name.c_str(), ok == GL_TRUE ? "linked" : "FAILED");
    return program;
}

void requireUniforms(GLuint program, const std::string& name,
                     const std::vector<std::string>& uniforms) {
    for (const std::string& u : uniforms)
        check(glGetUniformLocation(program, u.c_str()) >= 0,
              name + ": uniform \"" + u + "\" is live");
}

void requireAttributes(GLuint program, const std::string& name,
                       const std::vector<std::pair<std::string, unsigned>>& attributes) {
    for (const auto& [attribute, location] : attributes)
        check(glGetAttribLocation(program, attribute.c_str()) == static_cast<GLint>(location),
              name + ": attribute \"" + attribute + "\" at " + std::to_string(location));
}

std::vector<std::string> lightUniforms() {
    std::vector<std::string> names{"countLights"};
    for (int i = 0; i < 8; ++i)
        for (const char* field :
             {".lightPosWorld", ".lightPower", ".constant", ".linear", ".quadratic"})
            names.push_back("light[" + std::to_string(i) + "]" + field);
    return names;
}

struct Particle {
    float type;
    float position[3];
    float direction[3];
    float age;
};

// Drives the update program the way the game's particle system does and returns the number of
// records written by each update.
class ParticleRun {
  public:
    explicit ParticleRun(GLuint program) : program_(program) {
        std::vector<Particle> records(
            kPool, Particle{0.0f, {5.0f, -3.0f, 7.0f}, {0.0f, 1.0f, 0.0f}, 0.0f});
        glGenTransformFeedbacks(2, feedbacks_);
        glGenBuffers(2, buffers_);
        glGenVertexArrays(1, &vao_);
        for (int i = 0; i < 2; ++i) {
            glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, feedbacks_[i]);
            glBindBuffer(GL_ARRAY_BUFFER, buffers_[i]);
            glBufferData(GL_ARRAY_BUFFER, sizeof(Particle) * kPool, records.data(),
                         GL_DYNAMIC_DRAW);
            glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffers_[i]);
        }
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, 0);
        std::vector<float> random(300 * 3);
        for (size_t i = 0; i < random.size(); ++i) {
            float r = 0.0f;
            while (r == 0.0f || r == 1.0f)
                r = static_cast<float>(std::rand() / 32767.0);
            random[i] = r;
        }
        glGenTextures(1, &randomTexture_);
        glBindTexture(GL_TEXTURE_1D, randomTexture_);
        glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, 300, 0, GL_RGB, GL_FLOAT, random.data());
        glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glGenQueries(1, &query_);
    }

    GLuint update(float deltaTime, bool spawning, int direction) {
        glUseProgram(program_);
        glUniform1i(glGetUniformLocation(program_, "isSpawn"), spawning ? 1 : 0);
        glUniform1f(glGetUniformLocation(program_, "deltaTime"), deltaTime);
        glUniform1f(glGetUniformLocation(program_, "launchTime"), 0.00002f);
        glUniform1f(glGetUniformLocation(program_, "fireTime"), 0.0f);
        glUniform1f(glGetUniformLocation(program_, "spreadTime"), 5.0f);
        glUniform1i(glGetUniformLocation(program_, "randomTextureSize"), 300);
        glUniform1f(glGetUniformLocation(program_, "directionParticles"),
                    static_cast<float>(direction));
        glActiveTexture(GL_TEXTURE0);
        glUniform1i(glGetUniformLocation(program_, "randomTexture"), 0);
        glBindTexture(GL_TEXTURE_1D, randomTexture_);
        glEnable(GL_RASTERIZER_DISCARD);
        glBindVertexArray(vao_);
        glBindBuffer(GL_ARRAY_BUFFER, buffers_[read_]);
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
        glEnableVertexAttribArray(2);
        glEnableVertexAttribArray(3);
        glVertexAttribPointer(0, 1, GL_FLOAT, GL_FALSE, sizeof(Particle),
                              reinterpret_cast<void*>(0));
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(Particle),
                              reinterpret_cast<void*>(4));
        glVertexAttribPointer(2, 3, GL_FLOAT, GL_FALSE, sizeof(Particle),
                              reinterpret_cast<void*>(16));
        glVertexAttribPointer(3, 1, GL_FLOAT, GL_FALSE, sizeof(Particle),
                              reinterpret_cast<void*>(28));
        glBindTransformFeedback(GL_TRANSFORM_FEEDBACK, feedbacks_[1 - read_]);
        glBeginQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN, query_);
        glBeginTransformFeedback(GL_POINTS);
        if (first_) {
            glDrawArrays(GL_POINTS, 0, 1);
            first_ = false;
        } else {
            glDrawTransformFeedback(GL_POINTS, feedbacks_[read_]);
        }
        glEndTransformFeedback();
        glEndQuery(GL_TRANSFORM_FEEDBACK_PRIMITIVES_WRITTEN);
        glBindVertexArray(0);
        glDisable(GL_RASTERIZER_DISCARD);
        read_ = 1 - read_;
        GLuint written = 0;
        glGetQueryObjectuiv(query_, GL_QUERY_RESULT, &written);
        return written;
    }

    std::vector<Particle> records(GLuint count) {
        std::vector<Particle> out(count);
        glBindBuffer(GL_ARRAY_BUFFER, buffers_[read_]);
        glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(Particle) * count, out.data());
        return out;
    }

    static constexpr int kPool = 4000;

  private:
    GLuint program_;
    GLuint feedbacks_[2]{}, buffers_[2]{}, vao_ = 0, randomTexture_ = 0, query_ = 0;
    int read_ = 0;
    bool first_ = true;
};

void checkParticles(GLuint program) {
    ParticleRun run(program);
    GLuint count = run.update(0.016f, false, 0);
    check(count == 1, "particles: the first update keeps exactly the launcher");
    GLuint most = 0;
    for (int i = 0; i < 2000; ++i) // two seconds at a thousand frames per second
        most = std::max(most, count = run.update(0.001f, true, 0));
    std::printf("  particles: %u alive after 2 s at 1000 frames/s (most %u)\n", count, most);
    check(most < 1000 && count > 100, "particles: population bounded at 1000 frames/s");
    const GLuint before = count;
    for (int i = 0; i < 50; ++i)
        count = run.update(0.0f, true, 0);
    check(count == before, "particles: delta time 0 changes nothing");
    for (int i = 0; i < 200; ++i)
        most = std::max(most, count = run.update(0.05f, true, 2));
    std::printf("  particles: %u alive after 10 s at 20 frames/s (most %u)\n", count, most);
    check(most < 1000, "particles: population bounded at 20 frames/s");
    bool sane = true;
    for (const Particle& p : run.records(count))
        if (p.type == 1.0f) {
            const float dx = p.position[0] - 5.0f, dy = p.position[1] + 3.0f,
                        dz = p.position[2] - 7.0f;
            sane = sane && std::sqrt(dx * dx + dy * dy + dz * dz) < 12.0f && p.age < 1.3f;
        }
    check(sane, "particles: sparks stay near the emitter and retire");
    for (int i = 0; i < 100; ++i)
        count = run.update(0.05f, false, 2);
    check(count == 1, "particles: with spawning off only the launcher remains");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--expand") {
        dataFolder = argv[2];
        return writeExpanded(argv[3]);
    }
    if (argc != 2) {
        report(Severity::Error, std::string("usage: ") + argv[0] + " <data folder>");
        report(Severity::Error,
               std::string("usage: ") + argv[0] + " --expand <data folder> <out folder>");
        return 2;
    }
    dataFolder = argv[1];
    WindowOptions options;
    options.width = 64;
    options.height = 64;
    options.title = "shadercheck";
    options.visible = false;
    options.forwardCompatible = true;
    const OpenedWindow opened = openWindow(options);
    GLFWwindow* window = opened.window;
    if (window == nullptr) {
        if (opened.failure == WindowFailure::Glfw) {
            report(Severity::Error, "shadercheck: no display");
        } else if (opened.failure == WindowFailure::Window) {
            report(Severity::Error, "shadercheck: no OpenGL 3.3 core context");
            glfwTerminate();
        } else {
            report(Severity::Error, "shadercheck: GLEW failed");
        }
        return 1;
    }
    std::printf("  GL %s, %s\n", glGetString(GL_VERSION), glGetString(GL_RENDERER));

    const std::vector<std::string> shading{"isCelShading", "levels", "material.ambient",
                                           "material.diffuse", "material.specular"};
    std::vector<std::string> drawable{"mvp", "modelMat", "alpha"};
    drawable.insert(drawable.end(), shading.begin(), shading.end());
    GLuint p = build("entity");
    // The placement of each copy comes per instance, at the locations the game binds.
    requireAttributes(p, "entity",
                      {{"mvp", attrib::InstanceMvp},
                       {"modelMat", attrib::InstanceModel},
                       {"instanceAlpha", attrib::InstanceAlpha}});
    requireUniforms(p, "entity", shading);
    requireUniforms(p, "entity", {"plane", "textureSampler"});
    requireUniforms(p, "entity", lightUniforms());

    p = build("light map");
    requireUniforms(p, "light map", drawable);
    requireUniforms(p, "light map", {"plane", "textureSampler", "lightMapTextureSampler"});
    requireUniforms(p, "light map", lightUniforms());

    p = build("matte light map");
    requireUniforms(p, "matte light map",
                    {"mvp", "modelMat", "alpha", "isCelShading", "levels", "material.diffuse",
                     "plane", "textureSampler", "lightMapTextureSampler"});

    p = build("text");
    requireAttributes(p, "text", {{"vertex", attrib::TextVertex}, {"glyph", attrib::TextGlyph}});
    requireUniforms(p, "text", {"projection", "textColor", "layerSize"});

    p = build("HUD picture");
    requireUniforms(p, "HUD picture", {"screenSize", "picture"});

    p = build("HUD shapes");
    requireAttributes(p, "HUD shapes", {{"position", 0}, {"corner", 1}});
    requireUniforms(p, "HUD shapes", {"projection"});

    p = build("water");
    requireUniforms(p, "water",
                    {"mvp", "modelMat", "plane", "alpha", "moveFactor", "cameraPos",
                     "reflectionTexture", "refractionTexture", "dudvMap", "normalMap"});
    requireUniforms(p, "water", lightUniforms());

    p = build("debug lines");
    requireUniforms(p, "debug lines", {"mvp"});

    p = build("billboard");
    requireUniforms(p, "billboard",
                    {"viewProjectionMatrix", "cameraPos", "size", "textureSampler"});

    p = build("particle update",
              {"typeVarying", "positionVarying", "directionVarying", "ageVarying"});
    requireUniforms(p, "particle update",
                    {"isSpawn", "deltaTime", "launchTime", "fireTime", "spreadTime",
                     "randomTextureSize", "directionParticles", "randomTexture"});
    for (const char* attribute : {"type", "position", "direction", "age"})
        check(glGetAttribLocation(p, attribute) >= 0,
              std::string("particle update: input ") + attribute);
    checkParticles(p);

    check(glGetError() == GL_NO_ERROR, "no GL error");
    glfwDestroyWindow(window);
    glfwTerminate();
    if (failures == 0)
        std::printf("shadercheck: all programs build\n");
    else
        std::printf("shadercheck: %d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
