#include "app/Game.h"
#include "support/GlContext.h"
#include "support/OpenedGame.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>

#include <string>
#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace {

// A level that writes every call the shell makes into a shared log.
class ScriptedLevel : public LevelInterface {
  public:
    ScriptedLevel(std::string name, std::vector<std::string>& log)
        : name(std::move(name)), log(log) {}

    void start() override {
        record("start");
        ++starts;
    }
    bool isFinished() override {
        record("isFinished");
        return finishAfterUpdates >= 0 && updates >= finishAfterUpdates;
    }
    bool isLost() override {
        record("isLost");
        return lost;
    }
    void update() override {
        record("update");
        ++updates;
        if (loseOnUpdate == updates)
            lost = true;
    }
    void render() override { record("render"); }
    glm::mat4 getViewMatrix() override { return glm::mat4(1.0f); }
    void applyPolygonMode() override { record("applyPolygonMode"); }
    void restartAfterLoss() override {
        record("restartAfterLoss");
        lost = false;
        ++restarts;
    }
    void stepPhysics() override { record("stepPhysics"); }

    int finishAfterUpdates = -1;
    int loseOnUpdate = -1;
    int updates = 0;
    int starts = 0;
    int restarts = 0;
    bool lost = false;

  private:
    void record(const char* call) { log.push_back(name + "." + call); }
    std::string name;
    std::vector<std::string>& log;
};

class GameShellTest : public GlTest {
  protected:
    std::unique_ptr<Game> makeGame() {
        return testgame::open([this](GLFWwindow*, const Config*, Controls&) {
            std::vector<std::unique_ptr<LevelInterface>> levels;
            auto a = std::make_unique<ScriptedLevel>("one", log);
            auto b = std::make_unique<ScriptedLevel>("two", log);
            first = a.get();
            second = b.get();
            first->finishAfterUpdates = finishFirstAfter;
            levels.push_back(std::move(a));
            levels.push_back(std::move(b));
            return levels;
        });
    }
    void TearDown() override {
        glfwMakeContextCurrent(testgl::window());
        GlTest::TearDown();
    }

    ScriptedPlatform keys;
    std::vector<std::string> log;
    ScriptedLevel* first = nullptr;
    ScriptedLevel* second = nullptr;
    int finishFirstAfter = -1;
};

} // namespace

TEST_F(GameShellTest, StartsTheFirstLevelAndRunsTheFrameInOrder) {
    auto game = makeGame();
    EXPECT_EQ(game->getWindowWidth(), 1024);
    EXPECT_EQ(game->getWindowHeight(), 860);
    EXPECT_EQ(game->getNextLevelIndex(), 1u);
    EXPECT_EQ(game->getCurrentLevel(), first);
    ASSERT_EQ(log, std::vector<std::string>{"one.start"});
    log.clear();
    EXPECT_TRUE(game->frame());
    std::vector<std::string> expected = {"one.applyPolygonMode", "one.isFinished",  "one.isLost",
                                         "one.update",           "one.stepPhysics", "one.render"};
    EXPECT_EQ(log, expected);
}

TEST_F(GameShellTest, AFinishedLevelStartsTheNextInTheSameFrame) {
    finishFirstAfter = 3;
    auto game = makeGame();
    for (int i = 0; i < 3; ++i)
        game->frame();
    EXPECT_EQ(game->getCurrentLevel(), first);
    log.clear();
    game->frame();
    std::vector<std::string> expected = {
        "one.applyPolygonMode", "one.isFinished",  "two.start", "two.isLost",
        "two.update",           "two.stepPhysics", "two.render"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(game->getNextLevelIndex(), 2u);
    EXPECT_EQ(first->starts, 1);
    EXPECT_EQ(second->starts, 1);
}

TEST_F(GameShellTest, AFinishedLastLevelStaysCurrentAndKeepsRunning) {
    finishFirstAfter = 1;
    auto game = makeGame();
    game->frame();
    game->frame();
    second->finishAfterUpdates = 0;
    log.clear();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(game->frame());
    EXPECT_EQ(game->getCurrentLevel(), second);
    EXPECT_EQ(game->getNextLevelIndex(), 2u);
    EXPECT_EQ(second->starts, 1);
    EXPECT_EQ(first->starts, 1);
    EXPECT_EQ(log.size(), 5u * 6u);
    for (const std::string& call : log)
        EXPECT_EQ(call.rfind("two.", 0), 0u) << call;
}

TEST_F(GameShellTest, ALostLevelIsResetInPlace) {
    auto game = makeGame();
    first->loseOnUpdate = 2;
    game->frame();
    game->frame();
    EXPECT_TRUE(first->lost);
    log.clear();
    game->frame();
    EXPECT_EQ(log[2], "one.isLost");
    EXPECT_EQ(log[3], "one.restartAfterLoss");
    EXPECT_EQ(first->restarts, 1);
    EXPECT_EQ(game->getCurrentLevel(), first);
    EXPECT_EQ(second->starts, 0);
}

TEST_F(GameShellTest, EscapeEndsTheLoopAfterTheFrame) {
    auto game = makeGame();
    keys.tap(GLFW_KEY_ESCAPE);
    game->run();
    // The first frame still ran in full.
    EXPECT_EQ(first->updates, 1);
    EXPECT_EQ(log.back(), "one.render");
}

TEST_F(GameShellTest, ClosingTheWindowEndsTheLoop) {
    auto game = makeGame();
    EXPECT_TRUE(game->frame());
    glfwSetWindowShouldClose(game->getWindow(), GLFW_TRUE);
    EXPECT_FALSE(game->frame());
    EXPECT_EQ(first->updates, 2);
}

TEST_F(GameShellTest, NoLevelsToPlayIsAFailureOfItsOwn) {
    const Result<std::unique_ptr<Game>> game =
        Game::open([](GLFWwindow*, const Config*, Controls&) {
            return std::vector<std::unique_ptr<LevelInterface>>{};
        });
    EXPECT_FALSE(game);
    EXPECT_EQ(game.error(), "No levels to play");
}

TEST_F(GameShellTest, MenusTakeEscapeAndPlayQuitsOnlyOnAFreshOne) {
    // Each frame: the keys pressed in the window before it, whether Escape is held, and whether
    // the game goes on after it.
    struct Step {
        std::vector<int> pressed;
        bool escapeHeld;
        bool goesOn;
    };
    const struct {
        const char* what;
        bool title;
        std::vector<Step> steps;
    } cases[] = {
        {"Escape on the title quits", true, {{{}, false, true}, {{GLFW_KEY_ESCAPE}, true, false}}},
        {"Quit on the title quits", true, {{{GLFW_KEY_UP, GLFW_KEY_ENTER}, false, false}}},
        {"Play, then Escape quits play",
         true,
         {{{GLFW_KEY_ENTER}, false, true}, {{}, false, true}, {{}, true, false}}},
        {"Escape backs out of a screen, and only then quits",
         true,
         {{{GLFW_KEY_DOWN, GLFW_KEY_DOWN, GLFW_KEY_ENTER}, false, true},
          {{GLFW_KEY_ESCAPE}, true, true},
          {{GLFW_KEY_ESCAPE}, true, false}}},
        {"Escape in the pause menu resumes; play quits on the next Escape",
         false,
         {{{GLFW_KEY_P}, false, true},
          {{GLFW_KEY_ESCAPE}, true, true},
          {{}, true, true}, // still held from the menu
          {{}, false, true},
          {{}, true, false}}},
        {"P opens and closes the pause menu",
         false,
         {{{GLFW_KEY_P}, false, true}, {{GLFW_KEY_P}, false, true}, {{}, true, false}}},
    };
    for (const auto& c : cases) {
        log.clear();
        auto game = makeGame();
        game->setPauseMenu(true);
        if (c.title)
            game->showTitle();
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            for (int key : step.pressed)
                game->getControls().onKey(nullptr, key, GLFW_PRESS);
            if (step.escapeHeld)
                keys.hold(GLFW_KEY_ESCAPE);
            else
                keys.release(GLFW_KEY_ESCAPE);
            EXPECT_EQ(game->frame(), step.goesOn) << c.what << ", frame " << i;
        }
        keys.releaseAll();
    }
}
