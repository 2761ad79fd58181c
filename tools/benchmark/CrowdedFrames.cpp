// Main-thread CPU time per frame (the child of (c) and (e)): the real levels, and Level 2 crowded
// with copies of its enemies and walls, against the crowd floor.

#include "Harness.h"
#include "Measurements.h"
#include "app/Game.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/VulnerableWall.h"
#include "levels/FileLevel.h"
#include "levels/Level.h"
#include "platform/Controls.h"
#include "platform/Report.h"
#include "platform/ScriptedPlatform.h"
#include "render/Model.h"
#include "render/ScenePasses.h"
#include "render/WaterRenderTargets.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <cstdio>
#include <memory>
#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::render;
using namespace brindlemox::gameplay;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace bench {

namespace {

// Level 2 with every enemy and wall repeated `factor` times, each copy shifted a little, so the
// per-object cost of update, physics and the passes stands out. The copies share the level's
// resources, as the level's own objects do.
class CrowdedLevel : public FileLevel {
  public:
    CrowdedLevel(GLFWwindow* window, const Config* config, Controls& controls,
                 levelfile::Content content, int factor)
        : FileLevel(window, config, controls, nullptr, std::move(content)), factor(factor) {}

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

} // namespace

// Main-thread CPU time per frame in the tiny window the parent configured (working directory).
// factor 0: both real levels from their viewpoints; otherwise the crowded level.
int childCpu(int factor, int frames) {
    ScriptedPlatform keys;
    if (factor == 0) {
        const std::unique_ptr<Game> opened = openGame(neverWaiting());
        if (!opened)
            return 1;
        Game& game = *opened;
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
            report(Severity::Error, level2.error);
            return 1;
        }
        const std::unique_ptr<Game> opened = openGame(
            neverWaiting(), [factor, content = *level2.content](
                                GLFWwindow* window, const Config* config, Controls& controls) {
                std::vector<std::unique_ptr<LevelInterface>> levels;
                levels.push_back(
                    std::make_unique<CrowdedLevel>(window, config, controls, content, factor));
                return levels;
            });
        if (!opened)
            return 1;
        Game& game = *opened;
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

} // namespace bench
