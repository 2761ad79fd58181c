#pragma once

// The shading floor of a view: what shading every pixel of every pass once costs, with the
// programs that shade them.

#include "render/Model.h"
#include "render/ScenePasses.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/mat4x4.hpp>

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace brindlemox::app {
class Game;
}
namespace brindlemox::levels {
class Level;
}
namespace brindlemox::platform {
class ScriptedPlatform;
}

namespace bench {

// Counts, during one frame, the samples each program's draws let through the depth test (the
// pixels it shades) in each target, and notes the textures bound when that program last drew
// there.
class ShadedPixels : public brindlemox::render::ScenePasses::DrawWatcher {
  public:
    static constexpr int Units = 4;
    struct Program {
        GLuint program = 0;
        GLuint64 samples = 0;
        std::array<GLint, Units> textures{};
    };

    ShadedPixels() { glGenQueries(1, &query); }
    ~ShadedPixels() override { glDeleteQueries(1, &query); }
    ShadedPixels(const ShadedPixels&) = delete;
    ShadedPixels& operator=(const ShadedPixels&) = delete;

    void beforeDraw(GLuint) override { glBeginQuery(GL_SAMPLES_PASSED, query); }
    void afterDraw(GLuint program, bool) override {
        glEndQuery(GL_SAMPLES_PASSED);
        GLuint64 samples = 0;
        glGetQueryObjectui64v(query, GL_QUERY_RESULT, &samples);
        GLint target = 0;
        glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &target);
        Program& counted = counts[{static_cast<GLuint>(target), program}];
        counted.program = program;
        counted.samples += samples;
        GLint active = 0;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
        for (int u = 0; u < Units; ++u) {
            glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(u));
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &counted.textures[static_cast<size_t>(u)]);
        }
        glActiveTexture(static_cast<GLenum>(active));
    }

    GLuint64 total() const {
        GLuint64 sum = 0;
        for (const auto& entry : counts)
            sum += entry.second.samples;
        return sum;
    }

    // The programs that shaded a target's pixels, the one that shaded most first.
    std::vector<Program> programsIn(GLuint target) const {
        std::vector<Program> found;
        for (const auto& [key, counted] : counts)
            if (key.first == target && counted.samples > 0)
                found.push_back(counted);
        std::stable_sort(found.begin(), found.end(),
                         [](const Program& a, const Program& b) { return a.samples > b.samples; });
        return found;
    }

  private:
    GLuint query = 0;
    std::map<std::pair<GLuint, GLuint>, Program> counts; // by target and program
};

// One frame of the view with its draws watched.
void watchOneFrame(brindlemox::app::Game& game, brindlemox::platform::ScriptedPlatform& keys,
                   ShadedPixels& watcher);

// The floor of a view: each target the view renders to covered once by full-screen quads, drawn
// with the programs that shade the view's pixels there, each over a band as large as its share
// of them (one program: one full-screen quad). A program keeps the uniform values the level's
// frame gave it (lights, material, samplers) and draws with the textures it last drew with
// there, at one and a half texels per pixel: like most of a scene's surfaces, a little beyond
// their textures' full detail, where the filtering blends two levels (a magnified texture takes
// a cheaper path). Only the placement is the quad's own. So the floor costs what shading every
// pixel of every pass once costs, with the programs that shade them.
class Floor {
  public:
    Floor(brindlemox::levels::Level& level, const ShadedPixels& seen);

    // allPasses: reflection, refraction and screen; otherwise the screen alone.
    void frame(GLFWwindow* window, bool allPasses);
    // The main program's role, target by target (reflection/refraction/screen).
    std::string roles(bool allPasses) const;
    // The pixels the main programs shaded, target by target.
    GLuint64 mainSamples(bool allPasses) const;

  private:
    struct Band {
        GLuint program = 0;
        GLuint64 samples = 0;
        std::array<GLint, ShadedPixels::Units> textures{};
        glm::mat4 projection{1.0f};
        brindlemox::render::Mesh quad;
    };

    static int textureWidth(GLint texture);
    std::vector<Band> bands(const std::vector<ShadedPixels::Program>& programs, int width,
                            int height);
    void draw(const std::vector<Band>& target);

    brindlemox::levels::Level& level;
    std::vector<Band> reflection, refraction, screen;
};

// Pixels of the targets a frame of the view renders to.
double targetPixels(brindlemox::app::Game& game, bool allPasses);

} // namespace bench
