// (b) Start-up to the first frame and the Level 2 load, against the bare context and against the
// context plus one build of each program; each start-up a fresh child process.

#include "ChildProcess.h"
#include "Harness.h"
#include "Measurements.h"
#include "app/Game.h"
#include "levels/Level.h"
#include "platform/ScriptedPlatform.h"
#include "platform/Window.h"
#include "render/ResourceCache.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::render;
using namespace brindlemox::app;

namespace bench {

namespace fs = std::filesystem;

namespace {

// A window and context as the game makes them, at a fixed size.
GLFWwindow* openBenchWindow() {
    WindowOptions options;
    options.width = 1024;
    options.height = 860;
    options.title = "Brindlemox";
    options.maximized = true;
    return openWindow(options).window;
}

} // namespace

// Creates the window and context the way the game does, clears and presents once.
int childContext() {
    const double t0 = wallSeconds();
    GLFWwindow* window = openBenchWindow();
    if (window == nullptr)
        return 1;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glfwSwapBuffers(window);
    glFinish();
    fprintf(out, "context %.3f\n", (wallSeconds() - t0) * 1000.0);
    fflush(out);
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}

// The part of start-up no game could skip: the context, then one build of each distinct program
// the game draws with (the stage files of every program both levels build), each drawn once, as
// the driver makes its machine code at a program's first draw.
int childCompiles() {
    const double t0 = wallSeconds();
    GLFWwindow* window = openBenchWindow();
    if (window == nullptr)
        return 1;
    {
        ResourceCache cache;
        const std::vector<ProgramFiles> programs = {
            {{{"Shader/extendedVS.vs", VertexStage}, {"Shader/extendedFS.fs", FragmentStage}}, {}},
            {{{"Shader/lightMapVS.vs", VertexStage}, {"Shader/lightMapMatteFS.fs", FragmentStage}},
             {}},
            {{{"Shader/textVS.vs", VertexStage}, {"Shader/textFS.fs", FragmentStage}}, {}},
            {{{"Shader/hudPictureVS.vs", VertexStage}, {"Shader/hudPictureFS.fs", FragmentStage}},
             {}},
            {{{"Shader/WaterMeshVS.vs", VertexStage}, {"Shader/WaterMeshFS.fs", FragmentStage}},
             {}},
            {{{"Shader/billboardVS.vs", VertexStage},
              {"Shader/billboardGS.gs", GeometryStage},
              {"Shader/billboardFS.fs", FragmentStage}},
             {}},
            {{{"Shader/particleVS.vs", VertexStage}, {"Shader/particleGS.gs", GeometryStage}},
             {"typeVarying", "positionVarying", "directionVarying", "ageVarying"}}};
        // The driver compiles a program to machine code at its first draw: one point each.
        GLuint vertexArray = 0;
        glGenVertexArrays(1, &vertexArray);
        glBindVertexArray(vertexArray);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        std::vector<ProgramRef> built;
        for (const ProgramFiles& files : programs) {
            built.push_back(cache.program(files));
            const bool feedback = !files.feedbackVaryings.empty();
            if (feedback)
                glEnable(GL_RASTERIZER_DISCARD);
            glUseProgram(built.back()->get());
            glDrawArrays(GL_POINTS, 0, 1);
            if (feedback)
                glDisable(GL_RASTERIZER_DISCARD);
        }
        glUseProgram(0);
        glBindVertexArray(0);
        glDeleteVertexArrays(1, &vertexArray);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glfwSwapBuffers(window);
        glFinish();
        fprintf(out, "compiles %.3f programs %d stages %d\n", (wallSeconds() - t0) * 1000.0,
                cache.built().programs, cache.built().shaderStages);
        fflush(out);
    }
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}

// The real start-up to the first presented frame, then the frame that loads Level 2.
int childStartup() {
    const double t0 = wallSeconds();
    ScriptedPlatform keys;
    std::unique_ptr<Game> game = openGame(neverWaiting());
    if (!game)
        return 1;
    step(*game, keys);
    glFinish();
    const double first = (wallSeconds() - t0) * 1000.0;
    const ResourceCache::Counts atStart = currentLevel(*game).getResources().built();
    for (int i = 0; i < 3; ++i)
        step(*game, keys);
    glFinish();
    finishLevel(*game);
    double t1 = wallSeconds();
    step(*game, keys);
    glFinish();
    const double load = (wallSeconds() - t1) * 1000.0;
    t1 = wallSeconds();
    step(*game, keys);
    glFinish();
    const double next = (wallSeconds() - t1) * 1000.0;
    const ResourceCache::Counts all = currentLevel(*game).getResources().built();
    fprintf(out, "startup %.3f level2 %.3f after %.3f\n", first, load, next);
    fprintf(out, "built %d %d %d %d\n", atStart.programs, atStart.shaderStages, all.programs,
            all.shaderStages);
    fflush(out);
    game.reset();
    return 0;
}

void startupBenchmark(const std::string& data, int runs) {
    fprintf(out,
            "\n(b) Start-up to the first frame and the Level 2 load, against creating the GL "
            "context alone and against the context plus one build of each distinct program the "
            "game draws with (the part no start-up can skip); median of %d fresh processes each; "
            "ms\n",
            runs);
    fprintf(out, "    %-38s %8s %9s %9s %7s %7s %8s %7s %7s\n", "Mesa's and the game's caches",
            "context", "+compiles", "start-up", "ratio", "ratio2", "L2 load", "ratio", "ratio2");
    const std::string warmCache = makeTemporaryDirectory("brindlemox-cache-warm-XXXXXX");
    // Fills the warm cache before it is measured.
    runChild("MESA_SHADER_CACHE_DIR=" + warmCache + " XDG_CACHE_HOME=" + warmCache, "startup",
             data);
    struct State {
        const char* name;
        std::function<std::string()> environment;
    };
    // The game keeps the driver's mipmap levels in its own cache under XDG_CACHE_HOME: it is cold,
    // warm or cold with Mesa's cache.
    std::vector<std::string> coldDirs;
    const auto freshDirectory = [&coldDirs] {
        coldDirs.push_back(makeTemporaryDirectory("brindlemox-cache-cold-XXXXXX"));
        return coldDirs.back();
    };
    const std::vector<State> states = {
        {"cold (fresh empty dirs per run)",
         [&] {
             const std::string dir = freshDirectory();
             return "MESA_SHADER_CACHE_DIR=" + dir + " XDG_CACHE_HOME=" + dir;
         }},
        {"warm (filled by an earlier run)",
         [&] { return "MESA_SHADER_CACHE_DIR=" + warmCache + " XDG_CACHE_HOME=" + warmCache; }},
        {"Mesa's disabled, the game's cold",
         [&] { return "MESA_SHADER_CACHE_DISABLE=true XDG_CACHE_HOME=" + freshDirectory(); }}};
    int programsAtStart = 0, stagesAtStart = 0, programs = 0, stages = 0, distinct = 0;
    int distinctStages = 0;
    double warmRatio = 0.0;
    for (const State& state : states) {
        std::vector<double> context, compiles, startup, load;
        for (int r = 0; r < runs; ++r) {
            for (const std::string& line : runChild(state.environment(), "context", data)) {
                double v = 0;
                if (std::sscanf(line.c_str(), "context %lf", &v) == 1)
                    context.push_back(v);
            }
            // A cold cache is cold for the compiles too: each child gets the same state.
            const std::string environment = state.environment();
            for (const std::string& line : runChild(environment, "compiles", data)) {
                double v = 0;
                if (std::sscanf(line.c_str(), "compiles %lf programs %d stages %d", &v, &distinct,
                                &distinctStages) == 3)
                    compiles.push_back(v);
            }
            for (const std::string& line : runChild(state.environment(), "startup", data)) {
                double a = 0, b = 0, c = 0;
                if (std::sscanf(line.c_str(), "startup %lf level2 %lf after %lf", &a, &b, &c) ==
                    3) {
                    startup.push_back(a);
                    load.push_back(b);
                }
                std::sscanf(line.c_str(), "built %d %d %d %d", &programsAtStart, &stagesAtStart,
                            &programs, &stages);
            }
        }
        const double c = median(context), k = median(compiles), s = median(startup);
        const double l = median(load);
        fprintf(out, "    %-38s %8.1f %9.1f %9.1f %7.2f %7.2f %8.1f %7.2f %7.2f\n", state.name, c,
                k, s, s / c, s / k, l, l / c, l / k);
        if (state.name[0] == 'w')
            warmRatio = s / k;
        fflush(out);
    }
    fprintf(out,
            "    shader files compiled: %d by the first frame, %d by the end of the Level 2 load; "
            "programs linked: %d and %d; distinct: %d programs from %d files\n",
            stagesAtStart, stages, programsAtStart, programs, distinct, distinctStages);
    fprintf(out, "start-up ratio (warm): %.2f\n", warmRatio);
    fflush(out);
    for (const std::string& dir : coldDirs)
        fs::remove_all(dir);
    fs::remove_all(warmCache);
}

} // namespace bench
