// Prints how fast the game runs, as ratios measured in the same run:
//  - frame time of both levels at the configured window size from fixed viewpoints, against a
//    floor loop that shades every pixel of each pass once with the program that shades most of
//    that view's pixels (counted in one frame of the view by occlusion queries);
//  - start-up to the first frame and the Level 2 load, against creating the GL context alone,
//    with Mesa's shader cache cold, warm and disabled (each start-up is a fresh child process);
//  - main-thread CPU time per frame in a tiny window, where rasterisation is negligible;
//  - how that CPU time grows with 10 and 100 times Level 2's enemies and walls, and at 100 times
//    against a crowd floor: the same frame with the draws of the copies replaced by their bare
//    vertex work, the meshes of the copies that frame drew, pass by pass in the targets it drew
//    them to, one instanced draw per model and mesh with no other state than the pass's target,
//    clip plane and culling (llvmpipe shades vertices on the main thread, so this is work no
//    frame of that crowd can skip). The rest of the frame (update, physics, culling, the map,
//    the HUD) is the frame's own in both. "crowd ratio (100x) VIEW" = the whole frame's CPU time
//    over the floor's: what drawing the copies as the game does costs beyond the bare draws;
//    medians of interleaved frames in one process. A view that draws none of the copies has
//    nothing to replace: its ratio is 1;
//  - the main thread's time per frame for sound in Level 2 (listener, loops, one-shots).
// Nothing is asserted. Run from the data folder (scripts/bench.sh does all of this).
#include "app/Game.h"
#include "effects/WaterMesh.h"
#include "effects/WaterRenderTargets.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/VulnerableWall.h"
#include "levels/FileLevel.h"
#include "levels/Level.h"
#include "levels/LevelSound.h"
#include "platform/Controls.h"
#include "platform/ScriptedPlatform.h"
#include "platform/Window.h"
#include "render/Map.h"
#include "render/Model.h"
#include "render/ProgramStatus.h"
#include "render/ResourceCache.h"
#include "render/Semantics.h"
#include "render/Texture.h"

#include <AL/alext.h>
#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <btBulletDynamicsCommon.h>
#include <glm/ext/matrix_clip_space.hpp>
#include <glm/geometric.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double FrameTime = 1.0 / 60.0;

// Figures go to the original standard output; the game's loading chatter goes to /dev/null.
FILE* out = stdout;

void silenceGame() {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    out = fdopen(saved, "w");
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
}

// The benchmark times rendering, never the display's refresh.
StartOptions neverWaiting() {
    StartOptions options;
    options.neverWaitForDisplay = true;
    return options;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double median(std::vector<double> v) {
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

struct Viewpoint {
    const char* name;
    glm::vec3 eye;
    glm::vec3 target;
};

// Where the scripted playthrough stops to look, level by level.
const std::vector<Viewpoint> Level1Views = {{"spawn", {-5, 11, 7}, {24, 6, 0}},
                                            {"first wall", {-3.5f, 1.5f, 0}, {-8, 1.5f, 0}},
                                            {"water", {17, -45, 12}, {16, -60, 0}}};
const std::vector<Viewpoint> Level2Views = {{"spawn", {0, 8, 0}, {0, 7, -56}},
                                            {"long hall", {0, 12, -56}, {108, 12, -56}},
                                            {"water", {96, -110, -56}, {96, -136, -70}}};

Level& currentLevel(Game& game) {
    return *dynamic_cast<Level*>(game.getCurrentLevel());
}

// Puts the player at the eye and turns the view to the target by a mouse movement; the next
// frame's physics step applies the turn.
void lookFrom(Game& game, const Viewpoint& view) {
    Level& level = currentLevel(game);
    Player& player = level.getPlayer();
    // The body is moved, not rebuilt: the world keeps pointing at it. The next physics step puts
    // the camera on it.
    if (btRigidBody* body = player.getRigidBody()) {
        const btTransform placed(btQuaternion(0, 0, 0, 1),
                                 btVector3(view.eye.x, view.eye.y, view.eye.z));
        body->setWorldTransform(placed);
        body->setInterpolationWorldTransform(placed);
        body->getMotionState()->setWorldTransform(placed);
    }
    Controls::turnTowards(view.target - view.eye, game.getConfig().mouseSensitivity);
}

// One frame of the game at 1/60 s of game time.
bool step(Game& game, ScriptedPlatform& keys, bool render = true) {
    keys.time += FrameTime;
    return game.frame(render);
}

// Destroys Level 1's walls; the next frame starts Level 2.
void finishLevel(Game& game) {
    for (VulnerableWall* wall : currentLevel(game).getObjectives())
        wall->takeHit(1.0e6f, 1.0f);
}

bool waterInView(Game& game) {
    Level& level = currentLevel(game);
    return level.getWater() != nullptr &&
           level.getWater()->isInFrustum(level.getCamera().getFrustum());
}

// Counts, during one frame, the samples each program's draws let through the depth test (the
// pixels it shades) in each target, and notes the textures bound when that program last drew
// there.
class ShadedPixels : public ScenePasses::DrawWatcher {
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
void watchOneFrame(Game& game, ScriptedPlatform& keys, ShadedPixels& watcher) {
    ScenePasses& passes = currentLevel(game).getPasses();
    passes.setDrawWatcher(&watcher);
    step(game, keys);
    passes.setDrawWatcher(nullptr);
}

// Which of the level's programs a floor draws with.
const char* programRole(Level& level, GLuint program) {
    if (program == level.getProgram())
        return "entity";
    if (level.getMap() != nullptr && program == level.getMap()->getProgram())
        return "map";
    if (level.getWater() != nullptr && program == level.getWater()->getProgram())
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
    Floor(Level& level, const ShadedPixels& seen) : level(level) {
        WaterRenderTargets& targets = level.getWaterTargets();
        reflection =
            bands(seen.programsIn(targets.reflectionFrameBufferName()),
                  WaterRenderTargets::ReflectionWidth, WaterRenderTargets::ReflectionHeight);
        refraction =
            bands(seen.programsIn(targets.refractionFrameBufferName()),
                  WaterRenderTargets::RefractionWidth, WaterRenderTargets::RefractionHeight);
        screen = bands(seen.programsIn(0), targets.getScreenWidth(), targets.getScreenHeight());
    }

    // allPasses: reflection, refraction and screen; otherwise the screen alone.
    void frame(GLFWwindow* window, bool allPasses) {
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

    // The main program's role, target by target (reflection/refraction/screen).
    std::string roles(bool allPasses) const {
        const auto role = [this](const std::vector<Band>& target) {
            return target.empty() ? "none" : programRole(level, target.front().program);
        };
        std::string text = role(screen);
        if (allPasses)
            text = std::string(role(reflection)) + "/" + role(refraction) + "/" + text;
        return text;
    }

    // The pixels the main programs shaded, target by target.
    GLuint64 mainSamples(bool allPasses) const {
        const auto main = [](const std::vector<Band>& target) {
            return target.empty() ? GLuint64(0) : target.front().samples;
        };
        return main(screen) + (allPasses ? main(reflection) + main(refraction) : 0);
    }

  private:
    struct Band {
        GLuint program = 0;
        GLuint64 samples = 0;
        std::array<GLint, ShadedPixels::Units> textures{};
        glm::mat4 projection{1.0f};
        Mesh quad;
    };

    static int textureWidth(GLint texture) {
        GLint width = 0;
        if (texture != 0) {
            glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        return width;
    }

    std::vector<Band> bands(const std::vector<ShadedPixels::Program>& programs, int width,
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

    void draw(const std::vector<Band>& target) {
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
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(band.quad.indexCount),
                           GL_UNSIGNED_INT, nullptr);
        }
        glBindVertexArray(0);
        glActiveTexture(GL_TEXTURE0);
    }

    Level& level;
    std::vector<Band> reflection, refraction, screen;
};

// Pixels of the targets a frame of the view renders to.
double targetPixels(Game& game, bool allPasses) {
    WaterRenderTargets& targets = currentLevel(game).getWaterTargets();
    double pixels = static_cast<double>(targets.getScreenWidth()) * targets.getScreenHeight();
    if (allPasses)
        pixels += WaterRenderTargets::ReflectionWidth * WaterRenderTargets::ReflectionHeight +
                  WaterRenderTargets::RefractionWidth * WaterRenderTargets::RefractionHeight;
    return pixels;
}

// Milliseconds per frame: the median of several batches, each ended by glFinish.
struct FramePair {
    double level = 0.0;
    double floor = 0.0;
    double ratio = 0.0; // median of the batches' own ratios: a slow spell falls on both halves
};

FramePair timeFrames(Game& game, ScriptedPlatform& keys, Floor& floor, bool allPasses, int batches,
                     int perBatch) {
    std::vector<double> levelTimes;
    std::vector<double> floorTimes;
    std::vector<double> ratios;
    for (int b = 0; b < batches; ++b) {
        // Interleaved, so that whatever else the machine is doing falls on both alike.
        double t0 = wallSeconds();
        for (int i = 0; i < perBatch; ++i)
            step(game, keys);
        glFinish();
        levelTimes.push_back((wallSeconds() - t0) * 1000.0 / perBatch);
        t0 = wallSeconds();
        for (int i = 0; i < perBatch; ++i)
            floor.frame(game.getWindow(), allPasses);
        glFinish();
        floorTimes.push_back((wallSeconds() - t0) * 1000.0 / perBatch);
        ratios.push_back(levelTimes.back() / floorTimes.back());
    }
    return {median(levelTimes), median(floorTimes), median(ratios)};
}

void frameBenchmark(int batches, int perBatch) {
    ScriptedPlatform keys;
    Controls::resetSharedState();
    Game game(Game::defaultLevels(), neverWaiting());
    fprintf(out,
            "\n(a) Frame time at %d x %d (median of %d batches of %d frames, each followed by a "
            "batch of the floor; ratio: the median of the batches' ratios; floor = one "
            "full-screen pass per target with the programs that shade the view's pixels "
            "there, counted by occlusion queries)\n",
            game.getWindowWidth(), game.getWindowHeight(), batches, perBatch);
    fprintf(out, "    (floor: the program that shades most pixels, by target: reflection/"
                 "refraction/screen; share: those programs' part of the view's shaded pixels, "
                 "the rest drawn by the others in their bands; shaded: shaded pixels over the "
                 "targets' pixels)\n");
    fprintf(out, "    %-8s %-11s %-7s %-17s %6s %7s %10s %10s %7s\n", "level", "view", "passes",
            "floor", "share", "shaded", "frame ms", "floor ms", "ratio");
    const auto measure = [&](int levelNumber, const char* name) {
        for (int i = 0; i < 5; ++i)
            step(game, keys);
        const bool water = waterInView(game);
        ShadedPixels watcher;
        watchOneFrame(game, keys, watcher);
        Floor floor(currentLevel(game), watcher);
        const double total = static_cast<double>(watcher.total());
        const double share =
            total > 0.0 ? static_cast<double>(floor.mainSamples(water)) / total : 0.0;
        const FramePair t = timeFrames(game, keys, floor, water, batches, perBatch);
        fprintf(out, "    Level %d  %-11s %-7d %-17s %6.2f %7.2f %10.1f %10.1f %7.2f\n",
                levelNumber, name, water ? 3 : 1, floor.roles(water).c_str(), share,
                total / targetPixels(game, water), t.level, t.floor, t.ratio);
        fflush(out);
    };
    // The game as it starts: the spawn point with enemy A gliding close by.
    measure(1, "real start");
    for (int levelNumber = 1; levelNumber <= 2; ++levelNumber) {
        if (levelNumber == 2) {
            finishLevel(game);
            step(game, keys);
        }
        for (const Viewpoint& view : levelNumber == 1 ? Level1Views : Level2Views) {
            lookFrom(game, view);
            measure(levelNumber, view.name);
        }
    }
}

// ---- children: one start-up each, or CPU time in a tiny window ----

// A window and context as the game makes them, at a fixed size.
GLFWwindow* openBenchWindow() {
    WindowOptions options;
    options.width = 1024;
    options.height = 860;
    options.title = "Brindlemox";
    options.maximized = true;
    return openWindow(options).window;
}

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
    auto game = std::make_unique<Game>(Game::defaultLevels(), neverWaiting());
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

// Level 2 with every enemy and wall repeated `factor` times, each copy shifted a little, so the
// per-object cost of update, physics and the passes stands out. The copies share the level's
// resources, as the level's own objects do.
class CrowdedLevel : public FileLevel {
  public:
    CrowdedLevel(GLFWwindow* window, const Config* config, levelfile::Content content, int factor)
        : FileLevel(window, config, nullptr, std::move(content)), factor(factor) {}

    void start() override {
        FileLevel::start();
        for (int k = 1; k < factor; ++k) {
            const glm::vec3 shift(static_cast<float>(k % 10 - 5) * 1.5f, 0.0f,
                                  static_cast<float>(k / 10 % 10 - 5) * 1.5f);
            for (const levelfile::Object& object : content().objects) {
                if (object.kind == levelfile::Kind::Walls) {
                    auto* wall = adopt(std::make_unique<VulnerableWall>(
                        object.position + shift, object.scale, object.code, entityProgram(),
                        object.health, object.toughness, cache()));
                    addRigidBody(wall->getRigidBody());
                    addObjective(wall);
                } else if (object.kind == levelfile::Kind::Enemies) {
                    auto* enemy = adopt(std::make_unique<SimpleEnemy>(object.position + shift,
                                                                      object.code, entityProgram(),
                                                                      object.damage, cache()));
                    addRigidBody(enemy->getRigidBody());
                    addEnemy(enemy);
                }
            }
        }
    }

  private:
    int factor;
};

struct CpuFigures {
    double updateMs = 0.0;  // update and physics step, nothing drawn
    double frameMs = 0.0;   // the whole frame with its passes
    double floorMs = 0.0;   // the crowd floor of those frames (CrowdFloor), when measured
    size_t floorCopies = 0; // the copies the last floor frame drew, all passes together
};

// The main thread's CPU time in the draws of copies (batches) during a frame.
class CopyDrawTime : public ScenePasses::DrawWatcher {
  public:
    void beforeDraw(GLuint) override { start = threadCpuSeconds(); }
    void afterDraw(GLuint, bool batch) override {
        if (batch)
            seconds += threadCpuSeconds() - start;
    }
    double seconds = 0.0;

  private:
    double start = 0.0;
};

// The vertex work of the copies the level's last frame drew: each pass that ran, in its target,
// each batch's meshes in one instanced draw, with only the pass's clip plane and winding and the
// batch's face culling besides. No materials, lights or other uniforms.
class CrowdFloor {
  public:
    explicit CrowdFloor(Level& level) : level(level) {}

    // Returns the number of copies drawn; drawSeconds: the main thread's CPU time in the draws.
    size_t frame(GLFWwindow* window, double& drawSeconds) {
        drawSeconds = 0.0;
        WaterRenderTargets& targets = level.getWaterTargets();
        const ScenePasses& passes = level.getPasses();
        size_t copies = 0;
        glEnable(GL_DEPTH_TEST);
        for (ScenePasses::Pass pass :
             {ScenePasses::Reflection, ScenePasses::Refraction, ScenePasses::Main}) {
            const ScenePasses::Record& record = passes.lastPass(pass);
            if (!record.ran)
                continue;
            if (pass == ScenePasses::Reflection)
                targets.bindReflection();
            else if (pass == ScenePasses::Refraction)
                targets.bindRefraction();
            else
                targets.bindScreen();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            const bool clipped = pass != ScenePasses::Main;
            if (clipped)
                glEnable(GL_CLIP_DISTANCE0);
            glFrontFace(pass == ScenePasses::Reflection ? GL_CW : GL_CCW);
            GLuint program = 0;
            for (const ScenePasses::Batch& batch : record.batches) {
                if (batch.program->get() != program) {
                    program = batch.program->get();
                    glUseProgram(program);
                    const glm::vec4& plane = record.state.clipPlane;
                    glUniform4f(glGetUniformLocation(program, "plane"), plane.x, plane.y, plane.z,
                                plane.w);
                }
                if (batch.cull)
                    glEnable(GL_CULL_FACE);
                const double t0 = threadCpuSeconds();
                for (const Mesh& mesh : batch.model->meshes) {
                    glBindVertexArray(mesh.vertexArray.get());
                    mesh.drawInstances(batch.instances);
                }
                drawSeconds += threadCpuSeconds() - t0;
                if (batch.cull)
                    glDisable(GL_CULL_FACE);
                copies += batch.instances.size();
            }
            glFrontFace(GL_CCW);
            glDisable(GL_CLIP_DISTANCE0);
        }
        glBindVertexArray(0);
        glDisable(GL_DEPTH_TEST);
        glfwSwapBuffers(window);
        glfwPollEvents();
        return copies;
    }

  private:
    Level& level;
};

// With a floor, each whole frame is followed by a floor frame of what it drew.
CpuFigures cpuPerFrame(Game& game, ScriptedPlatform& keys, int frames,
                       CrowdFloor* floor = nullptr) {
    for (int i = 0; i < 10; ++i)
        step(game, keys);
    glFinish();
    std::vector<double> updates;
    std::vector<double> whole;
    std::vector<double> floors;
    size_t copies = 0;
    for (int i = 0; i < frames; ++i) {
        double t0 = threadCpuSeconds();
        step(game, keys, false);
        updates.push_back((threadCpuSeconds() - t0) * 1000.0);
        CopyDrawTime inCopies;
        ScenePasses& passes = currentLevel(game).getPasses();
        if (floor != nullptr)
            passes.setDrawWatcher(&inCopies);
        t0 = threadCpuSeconds();
        step(game, keys, true);
        const double frameSeconds = threadCpuSeconds() - t0;
        passes.setDrawWatcher(nullptr);
        whole.push_back(frameSeconds * 1000.0);
        if (floor != nullptr) {
            double bare = 0.0;
            copies = floor->frame(game.getWindow(), bare);
            floors.push_back((frameSeconds - inCopies.seconds + bare) * 1000.0);
        }
    }
    glFinish();
    return {median(updates), median(whole), median(floors), copies};
}

// The factor whose frames are measured against the crowd floor.
constexpr int FloorFactor = 100;

// Main-thread CPU time per frame in the tiny window the parent configured (working directory).
// factor 0: both real levels from their viewpoints; otherwise the crowded level.
int childCpu(int factor, int frames) {
    ScriptedPlatform keys;
    Controls::resetSharedState();
    if (factor == 0) {
        Game game(Game::defaultLevels(), neverWaiting());
        for (int levelNumber = 1; levelNumber <= 2; ++levelNumber) {
            if (levelNumber == 2) {
                finishLevel(game);
                step(game, keys);
            }
            for (const Viewpoint& view : levelNumber == 1 ? Level1Views : Level2Views) {
                lookFrom(game, view);
                const CpuFigures f = cpuPerFrame(game, keys, frames);
                fprintf(out, "cpu Level%d %s %d %.4f %.4f\n", levelNumber, view.name,
                        waterInView(game) ? 3 : 1, f.updateMs, f.frameMs);
            }
        }
    } else {
        levelfile::Result level2 = levelfile::read(Game::defaultLevelFiles()[1]);
        if (!level2.content) {
            fprintf(stderr, "%s\n", level2.error.c_str());
            return 1;
        }
        Game game(
            [factor, content = *level2.content](GLFWwindow* window, const Config* config) {
                std::vector<std::unique_ptr<LevelInterface>> levels;
                levels.push_back(std::make_unique<CrowdedLevel>(window, config, content, factor));
                return levels;
            },
            neverWaiting());
        Level& level = currentLevel(game);
        const size_t objects = level.getEnemies().size() + level.getObjectives().size();
        CrowdFloor floor(level);
        for (const Viewpoint& view : Level2Views) {
            lookFrom(game, view);
            const CpuFigures f =
                cpuPerFrame(game, keys, frames, factor == FloorFactor ? &floor : nullptr);
            fprintf(out, "crowd %d %zu %s %d %.4f %.4f %.4f %zu\n", factor, objects, view.name,
                    waterInView(game) ? 3 : 1, f.updateMs, f.frameMs, f.floorMs, f.floorCopies);
        }
    }
    fflush(out);
    return 0;
}

// The main thread's time for sound per frame in Level 2, its five enemies humming and whirring,
// the water lapping and the hurt cue every few frames, mixed by a loopback device (the mixing
// itself runs on the device's own thread in the game, so it is not timed here).
int childSound(int frames) {
    const auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    const auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (openLoopback == nullptr || render == nullptr)
        return 1;
    const int rate = 44100;
    auto sound = std::make_shared<audio::SoundSystem>(
        al::Device(openLoopback(nullptr)),
        std::vector<int>{ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                         ALC_FLOAT_SOFT, ALC_FREQUENCY, rate, 0},
        audio::SoundSettings());
    ScriptedPlatform keys;
    Controls::resetSharedState();
    StartOptions options;
    options.level = 2;
    options.sound = sound;
    Game game(Game::defaultLevels(), options);
    Level& level = currentLevel(game);
    LevelSound timed(*sound, level.getObjectives(), level.getEnemies(), level.getWater());
    std::vector<float> mix(static_cast<size_t>(rate / 30) * 2);
    std::vector<double> times;
    for (int i = 0; i < frames + 10; ++i) {
        keys.advance(1.0 / 30.0);
        game.frame(false);
        LevelSound::Frame frame;
        frame.deltaTime = 1.0f / 30.0f;
        frame.playerHealth = level.getPlayer().getHealth() - static_cast<float>(i % 7);
        const double t0 = threadCpuSeconds();
        timed.update(level.getCamera(), frame);
        if (i >= 10)
            times.push_back((threadCpuSeconds() - t0) * 1000.0);
        render(sound->device(), mix.data(), rate / 30);
    }
    std::sort(times.begin(), times.end());
    fprintf(out, "sound %d %.4f %.4f\n", frames, median(times), times.back());
    fflush(out);
    return 0;
}

// ---- the parent ----

std::string selfPath() {
    return fs::read_symlink("/proc/self/exe").string();
}

// Runs this program again with arguments and environment prefix; returns its figure lines.
std::vector<std::string> runChild(const std::string& environment, const std::string& arguments,
                                  const std::string& directory) {
    const std::string command = "cd '" + directory + "' && env " + environment + " '" + selfPath() +
                                "' --child " + arguments + " 2>/dev/null";
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return lines;
    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
        lines.emplace_back(buffer);
    pclose(pipe);
    return lines;
}

std::string makeTemporaryDirectory(const char* pattern) {
    std::string path = (fs::temp_directory_path() / pattern).string();
    std::vector<char> buffer(path.begin(), path.end());
    buffer.push_back('\0');
    return mkdtemp(buffer.data()) != nullptr ? std::string(buffer.data()) : std::string();
}

// A working directory like the data folder whose config asks for a tiny window.
std::string tinyWindowDirectory(const std::string& data) {
    const std::string dir = makeTemporaryDirectory("brindlemox-bench-XXXXXX");
    for (const char* sub : {"Obj", "Shader", "Texture", "Fonts", "Levels"})
        fs::create_directory_symlink(fs::absolute(data) / sub, fs::path(dir) / sub);
    fs::create_directory(fs::path(dir) / "Config");
    std::ofstream(fs::path(dir) / "Config" / "config.txt") << "width=128\nheight=108\n";
    return dir;
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

void cpuBenchmark(const std::string& tiny, const std::string& cacheEnvironment, int frames) {
    fprintf(out,
            "\n(c) Main-thread CPU time per frame (CLOCK_THREAD_CPUTIME_ID) in a 128 x 108 "
            "window, median of %d frames; llvmpipe rasterises on its own threads, so this is "
            "the game plus the driver's front end (state, uniforms, vertex work, binning)\n",
            frames);
    fprintf(out, "    %-8s %-11s %-7s %14s %14s\n", "level", "view", "passes", "update+phys ms",
            "whole frame ms");
    for (const std::string& line :
         runChild(cacheEnvironment, "cpu 0 " + std::to_string(frames), tiny)) {
        char levelName[32], view[32];
        int passes = 0;
        double update = 0, whole = 0;
        // View names hold a space at most once; they are written with one below.
        if (std::sscanf(line.c_str(), "cpu %31s %31[^0-9] %d %lf %lf", levelName, view, &passes,
                        &update, &whole) == 5) {
            std::string v(view);
            while (!v.empty() && v.back() == ' ')
                v.pop_back();
            fprintf(out, "    %-8s %-11s %-7d %14.3f %14.3f\n", levelName, v.c_str(), passes,
                    update, whole);
        }
    }
    fflush(out);
}

void soundBenchmark(const std::string& tiny, const std::string& cacheEnvironment, int frames) {
    for (const std::string& line :
         runChild(cacheEnvironment, "sound " + std::to_string(frames), tiny)) {
        int measured = 0;
        double median = 0, most = 0;
        if (std::sscanf(line.c_str(), "sound %d %lf %lf", &measured, &median, &most) == 3)
            fprintf(out,
                    "\n(g) Sound: main-thread ms per frame in Level 2 (listener, 5 hums and "
                    "whirs, water, hurt cues): %.4f median, %.4f most, over %d frames\n",
                    median, most, measured);
    }
    fflush(out);
}

void growthBenchmark(const std::string& tiny, const std::string& cacheEnvironment, int frames) {
    fprintf(out, "\n(e) Growth: Level 2 with its enemies and walls repeated 1, 10 and 100 times; "
                 "main-thread CPU ms per frame as in (c); at 100x also the crowd floor (the same "
                 "frame with the copies' draws replaced by their meshes, pass by pass, one "
                 "instanced draw per model and nothing else; copies: how many it drew, all passes "
                 "together), interleaved with the frames\n");
    fprintf(out, "    %-7s %-8s %-11s %-7s %14s %14s %10s %7s\n", "factor", "objects", "view",
            "passes", "update+phys ms", "whole frame ms", "floor ms", "copies");
    struct Row {
        size_t objects;
        double update, whole, floor;
    };
    std::map<std::string, std::map<int, Row>> rows;
    for (int factor : {1, 10, 100}) {
        for (const std::string& line :
             runChild(cacheEnvironment,
                      "cpu " + std::to_string(factor) + " " + std::to_string(frames), tiny)) {
            int f = 0, passes = 0;
            size_t objects = 0;
            char view[32];
            double update = 0, whole = 0, floor = 0;
            size_t copies = 0;
            if (std::sscanf(line.c_str(), "crowd %d %zu %31[^0-9] %d %lf %lf %lf %zu", &f, &objects,
                            view, &passes, &update, &whole, &floor, &copies) == 8) {
                std::string v(view);
                while (!v.empty() && v.back() == ' ')
                    v.pop_back();
                rows[v][f] = {objects, update, whole, floor};
                if (f == FloorFactor)
                    fprintf(out, "    %-7d %-8zu %-11s %-7d %14.3f %14.3f %10.3f %7zu\n", f,
                            objects, v.c_str(), passes, update, whole, floor, copies);
                else
                    fprintf(out, "    %-7d %-8zu %-11s %-7d %14.3f %14.3f\n", f, objects, v.c_str(),
                            passes, update, whole);
            }
        }
        fflush(out);
    }
    // Two slopes: past a few hundred programs llvmpipe's cache of compiled shader variants no
    // longer holds every wall's particle programs, and the second slope shows that cliff.
    fprintf(out, "    per object, microseconds per frame (slope between two factors):\n");
    for (const auto& [view, byFactor] : rows) {
        for (const auto& [from, to] : {std::pair<int, int>{1, 10}, std::pair<int, int>{10, 100}}) {
            if (byFactor.count(from) == 0 || byFactor.count(to) == 0)
                continue;
            const Row& a = byFactor.at(from);
            const Row& b = byFactor.at(to);
            const double n = static_cast<double>(b.objects - a.objects);
            fprintf(out, "    %-11s %3dx to %3dx: update+phys %8.2f, whole frame %8.2f\n",
                    view.c_str(), from, to, (b.update - a.update) * 1000.0 / n,
                    (b.whole - a.whole) * 1000.0 / n);
        }
    }
    // In the viewpoints' order.
    for (const Viewpoint& view : Level2Views) {
        const auto found = rows.find(view.name);
        if (found == rows.end() || found->second.count(FloorFactor) == 0)
            continue;
        const Row& row = found->second.at(FloorFactor);
        if (row.floor > 0.0)
            fprintf(out, "crowd ratio (%dx) %s: %.2f\n", FloorFactor, view.name,
                    row.whole / row.floor);
    }
    fflush(out);
}

// The frames callgrind counts (--toggle-collect=*countedFrames*): Level 2 seen from over the water,
// so every pass runs. Kept out of line so that the tool can find it.
__attribute__((noinline)) void countedFrames(Game& game, ScriptedPlatform& keys, int frames) {
    for (int i = 0; i < frames; ++i)
        step(game, keys);
    glFinish();
}

// The same view's level frames and floor frames, each in a function of its own so that callgrind
// counts them apart (--toggle-collect). Run with LP_NUM_THREADS=0, so that the rasteriser works on
// this thread and every shaded pixel is counted: a machine-independent frame-against-floor ratio.
__attribute__((noinline)) void countedLevelFrames(Game& game, ScriptedPlatform& keys, int frames) {
    for (int i = 0; i < frames; ++i)
        step(game, keys);
    glFinish();
}
__attribute__((noinline)) void countedFloorFrames(Game& game, Floor& floor, bool allPasses,
                                                  int frames) {
    for (int i = 0; i < frames; ++i)
        floor.frame(game.getWindow(), allPasses);
    glFinish();
}

int childInstructions(int levelNumber, int viewIndex, int frames) {
    ScriptedPlatform keys;
    Controls::resetSharedState();
    Game game(Game::defaultLevels(), neverWaiting());
    if (levelNumber == 2) {
        finishLevel(game);
        step(game, keys);
    }
    const std::vector<Viewpoint>& views = levelNumber == 1 ? Level1Views : Level2Views;
    if (viewIndex >= 0 && viewIndex < static_cast<int>(views.size()))
        lookFrom(game, views[static_cast<size_t>(viewIndex)]);
    for (int i = 0; i < 5; ++i)
        step(game, keys);
    const bool water = waterInView(game);
    ShadedPixels watcher;
    watchOneFrame(game, keys, watcher);
    Floor floor(currentLevel(game), watcher);
    floor.frame(game.getWindow(), water);
    countedLevelFrames(game, keys, frames);
    countedFloorFrames(game, floor, water, frames);
    fprintf(out, "instructions level %d view %d, %d frames, %d passes\n", levelNumber, viewIndex,
            frames, water ? 3 : 1);
    fflush(out);
    return 0;
}

int childCallgrind(int frames) {
    ScriptedPlatform keys;
    Controls::resetSharedState();
    Game game(Game::defaultLevels(), neverWaiting());
    finishLevel(game);
    step(game, keys);
    lookFrom(game, Level2Views.back());
    for (int i = 0; i < 5; ++i)
        step(game, keys);
    countedFrames(game, keys, frames);
    fprintf(out, "callgrind %d frames, %d passes\n", frames, waterInView(game) ? 3 : 1);
    fflush(out);
    return 0;
}

int childMain(int argc, char** argv) {
    silenceGame();
    const std::string mode = argv[2];
    if (mode == "context")
        return childContext();
    if (mode == "startup")
        return childStartup();
    if (mode == "compiles")
        return childCompiles();
    if (mode == "callgrind" && argc >= 4)
        return childCallgrind(std::atoi(argv[3]));
    if (mode == "instructions" && argc >= 6)
        return childInstructions(std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (mode == "cpu" && argc >= 5)
        return childCpu(std::atoi(argv[3]), std::atoi(argv[4]));
    if (mode == "sound" && argc >= 4)
        return childSound(std::atoi(argv[3]));
    return 2;
}

void usage() {
    std::printf(
        "usage: brindlemox_bench [--quick] [--only a|b|c|e|g]   (run in the data folder)\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return childMain(argc, argv);

    bool quick = false;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            only = argv[++i];
        else {
            usage();
            return 2;
        }
    }
    if (!fs::exists("Shader") || !fs::exists("Obj")) {
        usage();
        return 2;
    }
    const std::string data = fs::current_path().string();
    silenceGame();
    const char* cacheDir = std::getenv("MESA_SHADER_CACHE_DIR");
    const bool cacheDisabled = std::getenv("MESA_SHADER_CACHE_DISABLE") != nullptr;
    fprintf(out,
            "Brindlemox benchmark%s. Machine noise is real: figures are medians, ratios are "
            "measured in the same run.\n",
            quick ? " (quick)" : "");
    fprintf(out, "(d) Mesa shader cache for (a), (c) and (e): %s\n",
            cacheDisabled ? "disabled"
            : cacheDir    ? (std::string("warm, ") + cacheDir).c_str()
                          : "Mesa's default directory (warm after the first run)");
    const std::string cacheEnvironment =
        cacheDisabled ? "MESA_SHADER_CACHE_DISABLE=true"
                      : (cacheDir ? std::string("MESA_SHADER_CACHE_DIR=") + cacheDir : "");
    fflush(out);

    const int runs = quick ? 3 : 5;
    if (only.empty() || only == "b")
        startupBenchmark(data, runs);
    if (only.empty() || only == "a")
        frameBenchmark(quick ? 3 : 9, quick ? 4 : 8);
    const std::string tiny = tinyWindowDirectory(data);
    if (only.empty() || only == "c")
        cpuBenchmark(tiny, cacheEnvironment, quick ? 40 : 120);
    if (only.empty() || only == "e")
        growthBenchmark(tiny, cacheEnvironment, quick ? 20 : 60);
    if (only.empty() || only == "g")
        soundBenchmark(tiny, cacheEnvironment, quick ? 100 : 300);
    fs::remove_all(tiny);
    return 0;
}
