#include "ShadingFloor.h"

#include "Harness.h"
#include "app/Game.h"
#include "effects/WaterMesh.h"
#include "levels/Level.h"
#include "render/Map.h"
#include "render/ProgramStatus.h"
#include "render/WaterRenderTargets.h"

#include <glm/ext/matrix_clip_space.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>

using namespace brindlemox::platform;
using namespace brindlemox::render;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace bench {

namespace {

// Which of the level's programs a floor draws with.
const char* programRole(Level& level, GLuint program) {
    if (program == level.getProgram())
        return "entity";
    if (level.getMap() != nullptr && program == level.getMap()->getProgram())
        return "map";
    if (level.getWater() != nullptr && program == level.getWater()->renderObject().getProgram())
        return "water";
    return "other";
}

// Sets a matrix or a number a program reads as a uniform, or else as a vertex attribute (an
// instanced program), through the attribute's current value.
void setMatrix(GLuint program, const char* name, const glm::mat4& m) {
    const GLint uniform = glGetUniformLocation(program, name);
    if (uniform >= 0) {
        glUniformMatrix4fv(uniform, 1, GL_FALSE, glm::value_ptr(m));
        return;
    }
    const GLint attribute = glGetAttribLocation(program, name);
    if (attribute >= 0)
        for (int c = 0; c < 4; ++c)
            glVertexAttrib4fv(static_cast<GLuint>(attribute + c), glm::value_ptr(m[c]));
}
void setNumber(GLuint program, const char* name, float v) {
    const GLint uniform = glGetUniformLocation(program, name);
    if (uniform >= 0) {
        glUniform1f(uniform, v);
        return;
    }
    const GLint attribute = glGetAttribLocation(program, name);
    if (attribute >= 0)
        glVertexAttrib1f(static_cast<GLuint>(attribute), v);
}

} // namespace

// One frame of the view with its draws watched.
void watchOneFrame(Game& game, ScriptedPlatform& keys, ShadedPixels& watcher) {
    ScenePasses& passes = currentLevel(game).getPasses();
    passes.setDrawWatcher(&watcher);
    step(game, keys);
    passes.setDrawWatcher(nullptr);
}

Floor::Floor(Level& level, const ShadedPixels& seen) : level(level) {
    WaterRenderTargets& targets = level.getWaterTargets();
    reflection = bands(seen.programsIn(targets.reflectionFrameBufferName()),
                       WaterRenderTargets::ReflectionWidth, WaterRenderTargets::ReflectionHeight);
    refraction = bands(seen.programsIn(targets.refractionFrameBufferName()),
                       WaterRenderTargets::RefractionWidth, WaterRenderTargets::RefractionHeight);
    screen = bands(seen.programsIn(0), targets.getScreenWidth(), targets.getScreenHeight());
}

void Floor::frame(GLFWwindow* window, bool allPasses) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    WaterRenderTargets& targets = level.getWaterTargets();
    glEnable(GL_DEPTH_TEST);
    if (allPasses) {
        glEnable(GL_CLIP_DISTANCE0);
        targets.bindReflection();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw(reflection);
        targets.bindRefraction();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw(refraction);
        glDisable(GL_CLIP_DISTANCE0);
    }
    targets.bindScreen();
    draw(screen);
    glDisable(GL_DEPTH_TEST);
    glfwSwapBuffers(window);
    glfwPollEvents();
}

std::string Floor::roles(bool allPasses) const {
    const auto role = [this](const std::vector<Band>& target) {
        return target.empty() ? "none" : programRole(level, target.front().program);
    };
    std::string text = role(screen);
    if (allPasses)
        text = std::string(role(reflection)) + "/" + role(refraction) + "/" + text;
    return text;
}

GLuint64 Floor::mainSamples(bool allPasses) const {
    const auto main = [](const std::vector<Band>& target) {
        return target.empty() ? GLuint64(0) : target.front().samples;
    };
    return main(screen) + (allPasses ? main(reflection) + main(refraction) : 0);
}

int Floor::textureWidth(GLint texture) {
    GLint width = 0;
    if (texture != 0) {
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    return width;
}

std::vector<Floor::Band> Floor::bands(const std::vector<ShadedPixels::Program>& programs, int width,
                                      int height) {
    GLuint64 total = 0;
    for (const ShadedPixels::Program& p : programs)
        total += p.samples;
    std::vector<Band> made;
    // A 90 degree lens at one unit from the quads: y from -1 to 1 fills the target's height.
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    const float x = aspect * 1.05f;
    GLuint64 before = 0;
    for (const ShadedPixels::Program& p : programs) {
        Band band;
        band.program = p.program;
        band.samples = p.samples;
        band.textures = p.textures;
        band.projection = glm::perspective(glm::radians(90.0f), aspect, 0.1f, 100.0f);
        // The outer bands reach past the edges, so no pixel is left at a border.
        const auto edge = [&](GLuint64 part) {
            const float y = -1.0f + 2.0f * static_cast<float>(part) / static_cast<float>(total);
            return part == 0 ? -1.05f : part == total ? 1.05f : y;
        };
        const float low = edge(before);
        before += p.samples;
        const float high = edge(before);
        // One and a half texels per pixel (see above).
        const float density = 1.5f;
        const float first = density * static_cast<float>(width) /
                            static_cast<float>(std::max(1, textureWidth(p.textures[0])));
        const float second = density * static_cast<float>(width) /
                             static_cast<float>(std::max(1, textureWidth(p.textures[1])));
        std::vector<Vertex> vertices(4);
        const glm::vec2 corners[4] = {{-x, low}, {x, low}, {x, high}, {-x, high}};
        for (int i = 0; i < 4; ++i) {
            const glm::vec2 across = 0.5f * (corners[i] / glm::vec2(aspect, 1.0f) + 1.0f);
            vertices[i].position = glm::vec3(corners[i], -1.0f);
            vertices[i].texCoord = across * first * glm::vec2(1.0f, 1.0f / aspect);
            vertices[i].lightMapCoord = across * second * glm::vec2(1.0f, 1.0f / aspect);
            vertices[i].normal = glm::vec3(0.0f, 0.0f, 1.0f);
        }
        band.quad.setup(vertices, {0, 1, 2, 0, 2, 3});
        made.push_back(std::move(band));
    }
    return made;
}

void Floor::draw(const std::vector<Band>& target) {
    for (const Band& band : target) {
        const GLuint program = band.program;
        if (!programLinked(program))
            continue;
        glUseProgram(program);
        setMatrix(program, "mvp", band.projection);
        setMatrix(program, "modelMat", glm::mat4(1.0f));
        setNumber(program, "alpha", 1.0f);
        setNumber(program, "instanceAlpha", 1.0f);
        // Nothing clipped: the plane keeps every point.
        const GLint plane = glGetUniformLocation(program, "plane");
        if (plane >= 0)
            glUniform4f(plane, 0.0f, 0.0f, 0.0f, 1.0f);
        for (int u = 0; u < ShadedPixels::Units; ++u) {
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(u));
            glBindTexture(GL_TEXTURE_2D,
                          static_cast<GLuint>(band.textures[static_cast<size_t>(u)]));
        }
        glBindVertexArray(band.quad.vertexArray.get());
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(band.quad.indexCount), GL_UNSIGNED_INT,
                       nullptr);
    }
    glBindVertexArray(0);
    glActiveTexture(GL_TEXTURE0);
}

// Pixels of the targets a frame of the view renders to.
double targetPixels(Game& game, bool allPasses) {
    WaterRenderTargets& targets = currentLevel(game).getWaterTargets();
    double pixels = static_cast<double>(targets.getScreenWidth()) * targets.getScreenHeight();
    if (allPasses)
        pixels += WaterRenderTargets::ReflectionWidth * WaterRenderTargets::ReflectionHeight +
                  WaterRenderTargets::RefractionWidth * WaterRenderTargets::RefractionHeight;
    return pixels;
}

} // namespace bench
