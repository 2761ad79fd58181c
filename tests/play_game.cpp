// The whole game played by script: the real Game, levels, data files and GL context, with keys
// and clock driven through the platform seam at a fixed 1/60 s per frame. Routes are data in
// tests/routes. Most frames only update and step the level; frames are rendered at checkpoints.
#include "app/Game.h"
#include "gameplay/Player.h"
#include "gameplay/SimpleEnemy.h"
#include "gameplay/VulnerableWall.h"
#include "levels/Level.h"
#include "platform/Controls.h"
#include "support/GlContext.h"
#include "support/OpenedGame.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>

using namespace brindlemox::platform;
using namespace brindlemox::gameplay;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace {

constexpr double FrameTime = 1.0 / 60.0;
constexpr int RenderEvery = 240; // a checkpoint frame every four seconds of game time

struct Command {
    std::string verb;
    std::vector<float> args;
    std::string name;
    int line = 0;
};

std::vector<Command> readRoute(const std::string& file) {
    std::ifstream in(std::string(BRINDLEMOX_TEST_SOURCE_DIR) + "/routes/" + file);
    EXPECT_TRUE(in.is_open()) << file;
    std::vector<Command> commands;
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        if (text.empty() || text[0] == '#')
            continue;
        std::istringstream words(text);
        Command command;
        command.line = line;
        words >> command.verb;
        if (command.verb == "shot") {
            words >> command.name;
        } else {
            float value = 0;
            while (words >> value)
                command.args.push_back(value);
        }
        commands.push_back(command);
    }
    return commands;
}

class Playthrough : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        std::fflush(stdout);
        testing::internal::CaptureStderr(); // loading chatter
        game = testgame::open();
        loadingOutput = testing::internal::GetCapturedStderr();
        sensitivity = game->getConfig().mouseSensitivity;
        game->setBeforeSwap([this] { capture(); });
        wallStart = std::chrono::steady_clock::now();
    }
    void TearDown() override {
        game.reset();
        glfwMakeContextCurrent(testgl::window());
        GlTest::TearDown();
    }

    Level& level() { return *dynamic_cast<Level*>(game->getCurrentLevel()); }
    glm::vec3 eye() { return level().getCamera().getPosition(); }

    // One frame of the game; rendered at checkpoints or when asked.
    void step(bool render = false) {
        keys.advance(FrameTime);
        ++frames;
        const bool checkpoint = render || frames % RenderEvery == 0;
        if (!checkpoint) {
            ASSERT_TRUE(game->frame(false));
            return;
        }
        ++renderedFrames;
        ASSERT_TRUE(game->frame(true));
    }

    void capture() {
        if (pendingShot.empty())
            return;
        int width = 0, height = 0;
        glfwGetFramebufferSize(game->getWindow(), &width, &height);
        lastShot = testgl::readPixels(0, 0, width, height);
        shotWidth = width;
        shotHeight = height;
        testgl::writeImage(pendingShot, lastShot, width, height);
        pendingShot.clear();
    }

    // Points the view along direction by a mouse movement, as a player would.
    void turnTowards(const glm::vec3& direction) {
        game->getControls().turnTowards(direction, sensitivity);
    }

    void flyTo(const glm::vec3& target, const Command& command) {
        const float distance = glm::length(target - eye());
        const int budget = static_cast<int>(distance / (6.0 * FrameTime) * 2.0) + 120;
        keys.hold(GLFW_KEY_W);
        int used = 0;
        for (; used < budget && glm::length(target - eye()) > 0.3f; ++used) {
            turnTowards(target - eye());
            step();
            ASSERT_FALSE(HasFatalFailure());
        }
        keys.release(GLFW_KEY_W);
        ASSERT_LT(used, budget) << "stopped on the way to (" << target.x << ", " << target.y << ", "
                                << target.z << "), route line " << command.line << ", at ("
                                << eye().x << ", " << eye().y << ", " << eye().z << ")";
    }

    VulnerableWall* wallInFront() {
        VulnerableWall* best = nullptr;
        float bestDistance = 1e9f;
        for (VulnerableWall* wall : level().getObjectives()) {
            float d = glm::length(wall->getTransform().position - eye());
            if (!wall->isDead() && d < bestDistance) {
                best = wall;
                bestDistance = d;
            }
        }
        return best;
    }

    void attack(float seconds, const Command& command) {
        VulnerableWall* wall = wallInFront();
        ASSERT_NE(wall, nullptr) << "no wall left to attack, route line " << command.line;
        const float before = wall->getHealth();
        keys.hold(GLFW_KEY_SPACE);
        bool sprayed = false;
        for (int i = 0; i < static_cast<int>(seconds / FrameTime); ++i) {
            step();
            ASSERT_FALSE(HasFatalFailure());
            sprayed = sprayed || wall->getParticles().isSpawning();
        }
        keys.release(GLFW_KEY_SPACE);
        EXPECT_LT(wall->getHealth(), before) << "route line " << command.line;
        EXPECT_LT(wall->getAlpha(), 1.0f) << "the wall fades while it is hit";
        EXPECT_TRUE(sprayed) << "the wall sprays while it is hit";
        if (std::find(attacked.begin(), attacked.end(), wall) == attacked.end())
            attacked.push_back(wall);
    }

    void shot(const std::string& name) {
        pendingShot = name;
        step(true);
        EXPECT_TRUE(pendingShot.empty()) << "no picture taken for " << name;
    }

    // Orange, spark-coloured pixels of the last picture.
    size_t sparkPixels() const {
        size_t count = 0;
        for (size_t i = 0; i + 3 < lastShot.size(); i += 4)
            count += lastShot[i] > 200 && lastShot[i + 1] > 60 && lastShot[i + 1] < 235 &&
                     lastShot[i + 2] < 120;
        return count;
    }

    void run(const std::vector<Command>& route) {
        for (const Command& command : route) {
            const auto& a = command.args;
            if (command.verb == "goto") {
                flyTo({a[0], a[1], a[2]}, command);
            } else if (command.verb == "face") {
                turnTowards(glm::vec3(a[0], a[1], a[2]) - eye());
                step();
            } else if (command.verb == "attack") {
                attack(a[0], command);
            } else if (command.verb == "wait") {
                for (int i = 0; i < static_cast<int>(a[0] / FrameTime); ++i)
                    step();
            } else if (command.verb == "shot") {
                shot(command.name);
            } else if (command.verb == "chase") {
                SimpleEnemy* enemy = level().getEnemies().at(static_cast<size_t>(a[0]));
                keys.hold(GLFW_KEY_W);
                for (int i = 0; i < static_cast<int>(a[1] / FrameTime) && !level().isLost(); ++i) {
                    glm::vec3 to = enemy->getTransform().position - eye();
                    if (glm::length(to) > 0.5f)
                        turnTowards(to);
                    else
                        keys.release(GLFW_KEY_W);
                    // Near the end every frame is drawn, so the losing frame is in the picture.
                    const bool lastMoments = level().getPlayer().getHealth() < 0.2f;
                    if (lastMoments)
                        pendingShot = "you_lost";
                    step(lastMoments);
                }
                keys.release(GLFW_KEY_W);
            } else {
                ADD_FAILURE() << "unknown route command '" << command.verb << "' on line "
                              << command.line;
            }
            if (HasFatalFailure())
                return;
            if (command.verb != "chase") {
                EXPECT_FLOAT_EQ(level().getPlayer().getHealth(), level().getPlayer().getMaxHealth())
                    << "hurt on route line " << command.line << ", at (" << eye().x << ", "
                    << eye().y << ", " << eye().z << ")";
            }
        }
    }

    void report(const char* what) {
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        std::printf("%s: %d frames (%.1f s of game time, %d rendered) in %.1f s of wall time\n",
                    what, frames, frames * FrameTime, renderedFrames, wall);
    }

    ScriptedPlatform keys;
    std::unique_ptr<Game> game;
    std::string loadingOutput;
    float sensitivity = 50.0f;
    int frames = 0;
    int renderedFrames = 0;
    std::string pendingShot;
    std::vector<unsigned char> lastShot;
    int shotWidth = 0;
    int shotHeight = 0;
    std::vector<VulnerableWall*> attacked;
    std::chrono::steady_clock::time_point wallStart;
};

} // namespace

TEST_F(Playthrough, BothLevelsFromStartToFinish) {
    Level* first = &level();
    EXPECT_EQ(first->getHud().title().getText(), "Level 1");
    step(true);
    EXPECT_EQ(first->getHud().health().getText(), "40/40");

    run(readRoute("level1.route"));
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(attacked.size(), 4u);
    for (VulnerableWall* wall : first->getObjectives())
        EXPECT_TRUE(wall->isDead());
    EXPECT_TRUE(first->isFinished());

    // The frame after the last wall fell started Level 2.
    step(true);
    Level* second = &level();
    ASSERT_NE(second, first);
    EXPECT_EQ(second->getHud().title().getText(), "Level 2");
    EXPECT_EQ(second->getHud().health().getText(), "50/50");

    attacked.clear();
    run(readRoute("level2.route"));
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(attacked.size(), 6u);
    EXPECT_TRUE(second->isFinished());

    // The finished last level keeps running.
    for (int i = 0; i < 120; ++i)
        step(i % 60 == 0);
    EXPECT_EQ(game->getCurrentLevel(), second);
    EXPECT_EQ(game->getNextLevelIndex(), 2u);
    EXPECT_FALSE(second->isLost());
    report("full playthrough");
}

// A level that ships only as data, played from its file as --level-file plays it.
TEST_F(Playthrough, TheThirdLevelFromItsFileToItsEnd) {
    game.reset();
    Result<LevelFactory> files = Game::levelsFromFiles({"Levels/level3.txt"});
    ASSERT_TRUE(files) << files.error();
    game = testgame::open(std::move(*files));
    game->setBeforeSwap([this] { capture(); });
    EXPECT_EQ(level().getHud().title().getText(), "The pool room");
    run(readRoute("level3.route"));
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(attacked.size(), 1u);
    EXPECT_TRUE(level().isFinished());
    // After its last wall the game stays in it.
    for (int i = 0; i < 60; ++i)
        step(i % 30 == 0);
    EXPECT_EQ(game->getLevelCount(), 1u);
    EXPECT_FALSE(level().isLost());
}

TEST_F(Playthrough, SparksAreSeenWhileAWallIsHit) {
    Command command;
    flyTo({-4, 4, 0}, command);
    turnTowards(glm::vec3(-8, 4, 0) - eye());
    step();
    shot("before_attack");
    const size_t before = sparkPixels();
    keys.hold(GLFW_KEY_SPACE);
    for (int i = 0; i < 60; ++i)
        step();
    shot("sparks");
    keys.release(GLFW_KEY_SPACE);
    const size_t during = sparkPixels();
    EXPECT_GT(during, before + 50) << "before " << before << ", during " << during;
}

TEST_F(Playthrough, LosingShowsTheMessageAndPlayGoesOnFromTheSpawnPoint) {
    run(readRoute("lose.route"));
    ASSERT_TRUE(level().isLost()) << "health left: " << level().getPlayer().getHealth();
    EXPECT_EQ(level().getHud().lost().getText(), "You lost!");
    EXPECT_LE(level().getPlayer().getHealth(), 0.0f);
    level().setLossHold(0.0);
    // The losing frame shows the message in the default HUD yellow around (300, 300) of the
    // 800 x 600 text space.
    size_t yellow = 0;
    for (int y = shotHeight * 300 / 600; y < shotHeight * 345 / 600; ++y)
        for (int x = shotWidth * 300 / 800; x < shotWidth * 480 / 800; ++x) {
            const unsigned char* p = &lastShot[(static_cast<size_t>(y) * shotWidth + x) * 4];
            yellow += p[0] > 200 && p[1] > 170 && p[2] < 120;
        }
    EXPECT_GT(yellow, 200u) << "\"You lost!\" is not on the losing frame";

    // The next frame restarts the level in place.
    step(true);
    EXPECT_FALSE(level().isLost());
    EXPECT_EQ(level().getHud().health().getText(), "40/40");
    EXPECT_LT(glm::length(eye() - glm::vec3(0, 8, 0)), 0.5f);
    EXPECT_EQ(level().getHud().title().getText(), "Level 1");

    // Play goes on.
    keys.hold(GLFW_KEY_S);
    for (int i = 0; i < 30; ++i)
        step();
    keys.release(GLFW_KEY_S);
    EXPECT_GT(glm::length(eye() - glm::vec3(0, 8, 0)), 1.0f);
    report("loss and respawn");
}

namespace {

// Ways to look past the floor or the ceiling, each followed by a small move back.
struct LookPastTheLimit {
    const char* name;
    std::function<void(Controls&)> overshoot;
    double backPixels; // down positive
};

} // namespace

TEST_F(Playthrough, AFewPixelsBackTurnTheViewAfterLookingPastTheLimit) {
    const std::vector<LookPastTheLimit> cases = {
        {"mouse down hard",
         [](Controls& controls) {
             for (int i = 0; i < 7; ++i)
                 controls.moveMouse(0.0, 150.0);
         },
         -24.0},
        {"mouse up hard",
         [](Controls& controls) {
             for (int i = 0; i < 7; ++i)
                 controls.moveMouse(0.0, -150.0);
         },
         24.0},
        {"--look 90,99999", [](Controls& controls) { controls.setView(90.0, 99999.0); }, 24.0},
        {"--look 90,-99999", [](Controls& controls) { controls.setView(90.0, -99999.0); }, -24.0},
    };
    for (const LookPastTheLimit& c : cases) {
        std::string picture = c.name;
        for (char& letter : picture)
            if (!std::isalnum(static_cast<unsigned char>(letter)))
                letter = '_';
        c.overshoot(game->getControls());
        shot("look_limit_" + picture);
        const std::vector<unsigned char> atLimit = lastShot;
        EXPECT_LE(std::abs(game->getControls().getPitchDegrees()), 80.0) << c.name;
        game->getControls().moveMouse(0.0, c.backPixels);
        shot("look_back_" + picture);
        ASSERT_EQ(atLimit.size(), lastShot.size());
        size_t changed = 0;
        for (size_t i = 0; i < lastShot.size(); ++i)
            changed += std::abs(lastShot[i] - atLimit[i]) > 24;
        // The 20 degrees back move a good part of the picture.
        EXPECT_GT(changed, lastShot.size() / 20) << c.name << ": the view did not move back";
    }
}
