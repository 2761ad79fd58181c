#include "Harness.h"

#include "app/Game.h"
#include "effects/WaterMesh.h"
#include "gameplay/Player.h"
#include "gameplay/VulnerableWall.h"
#include "levels/Level.h"
#include "platform/Controls.h"
#include "platform/Report.h"
#include "platform/ScriptedPlatform.h"

#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

using namespace brindlemox::platform;
using namespace brindlemox::gameplay;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace bench {

FILE* out = stdout;

void silenceGame() {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    out = fdopen(saved, "w");
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(null);
    // Warnings and errors still show.
    reportOnlyFrom(Severity::Warning);
}

StartOptions neverWaiting() {
    StartOptions options;
    options.neverWaitForDisplay = true;
    return options;
}

std::unique_ptr<Game> openGame(const StartOptions& options, LevelFactory levels) {
    Result<std::unique_ptr<Game>> game =
        levels ? Game::open(std::move(levels), options) : Game::open(options);
    if (!game) {
        report(Severity::Error, game.error());
        return nullptr;
    }
    return std::move(*game);
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

const std::vector<Viewpoint> Level1Views = {{"spawn", {-5, 11, 7}, {24, 6, 0}},
                                            {"first wall", {-3.5f, 1.5f, 0}, {-8, 1.5f, 0}},
                                            {"water", {17, -45, 12}, {16, -60, 0}}};
const std::vector<Viewpoint> Level2Views = {{"spawn", {0, 8, 0}, {0, 7, -56}},
                                            {"long hall", {0, 12, -56}, {108, 12, -56}},
                                            {"water", {96, -110, -56}, {96, -136, -70}}};

Level& currentLevel(Game& game) {
    return *dynamic_cast<Level*>(game.getCurrentLevel());
}

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
    game.getControls().turnTowards(view.target - view.eye, game.getConfig().mouseSensitivity);
}

bool step(Game& game, ScriptedPlatform& keys, bool render) {
    keys.time += FrameTime;
    return game.frame(render);
}

void finishLevel(Game& game) {
    for (VulnerableWall* wall : currentLevel(game).getObjectives())
        wall->takeHit(1.0e6f, 1.0f);
}

bool waterInView(Game& game) {
    Level& level = currentLevel(game);
    return level.getWater() != nullptr &&
           level.getWater()->isInFrustum(level.getCamera().getFrustum());
}

} // namespace bench
