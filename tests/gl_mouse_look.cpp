// Mouse look on real game windows, driven by real X pointer motion (XTest) as a mouse makes it.
// The windows must take the keyboard focus to own the pointer, so ctest runs these cases on an X
// server of their own (mouse_look); gl_tests skips them.
#include "app/Game.h"
#include "platform/Controls.h"
#include "render/Camera.h"
#include "support/GlContext.h"
#include "support/OpenedGame.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

using namespace brindlemox::platform;
using namespace brindlemox::render;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace {

// A level that does nothing: the game's controls turn the view.
class LookLevel : public LevelInterface {
  public:
    void start() override {}
    bool isFinished() override { return false; }
    bool isLost() override { return false; }
    void update() override {}
    void render() override {}
    glm::mat4 getViewMatrix() override { return glm::mat4(1.0f); }
    void applyPolygonMode() override {}
    void restartAfterLoss() override {}
    void stepPhysics() override {}
};

struct LookCase {
    const char* name;
    int width;
    int height;
    // Pointer moves in pixels (right, down), all sent before the game's next event poll.
    std::vector<std::pair<int, int>> moves;
};

class MouseLookTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        folder = std::filesystem::path(::testing::TempDir()) / "mouse_look";
        std::filesystem::create_directories(folder / "Config");
        ASSERT_EQ(chdir(folder.c_str()), 0);
        // The shared test context is hidden; a game window must be seen to take the focus.
        glfwWindowHint(GLFW_VISIBLE, GLFW_TRUE);
    }
    void TearDown() override {
        glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
        if (display != nullptr)
            XCloseDisplay(display);
        glfwMakeContextCurrent(testgl::window());
        GlTest::TearDown();
    }

    std::unique_ptr<Game> startGame(int width, int height) {
        std::ofstream(folder / "Config" / "config.txt")
            << "width=" << width << "\nheight=" << height << "\n";
        return testgame::open([](GLFWwindow*, const Config*, Controls&) {
            std::vector<std::unique_ptr<LevelInterface>> levels;
            levels.push_back(std::make_unique<LookLevel>());
            return levels;
        });
    }

    void move(int dx, int dy) { XTestFakeRelativeMotionEvent(display, dx, dy, CurrentTime); }
    void send() { XSync(display, False); }

    // Runs frames until done() holds or a generous time has passed; false on time-out.
    static bool runUntil(Game& game, const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < limit) {
            game.frame(false);
            if (done())
                return true;
        }
        return false;
    }

    // One case on a fresh game window; false when the window lost the focus on the way (another
    // window took it) and the case should run again.
    bool play(const LookCase& c, double& yaw, double& pitch, double& expectedYaw,
              double& expectedPitch) {
        std::unique_ptr<Game> game = startGame(c.width, c.height);
        GLFWwindow* window = game->getWindow();
        auto focused = [&] { return glfwGetWindowAttrib(window, GLFW_FOCUSED) == GLFW_TRUE; };
        if (!runUntil(*game, focused))
            return false;
        // Nudge the pointer until the game has a cursor position to measure from (a game that
        // never turns fails below).
        const double start = game->getControls().getYawDegrees();
        runUntil(*game, [&] {
            if (game->getControls().getYawDegrees() != start)
                return true;
            move(1, 0);
            send();
            return false;
        });
        const double perPixel = game->getConfig().mouseSensitivity * Controls::DegreesPerPixel;
        expectedYaw = game->getControls().getYawDegrees();
        expectedPitch = game->getControls().getPitchDegrees();
        for (const auto& [dx, dy] : c.moves) {
            move(dx, dy);
            expectedYaw -= dx * perPixel;
            // The view stops at the camera's limits, looking up or down.
            expectedPitch = std::clamp(expectedPitch - dy * perPixel, -Camera::MaxPitchDegrees,
                                       Camera::MaxPitchDegrees);
        }
        send();
        auto arrived = [&] {
            return std::fabs(game->getControls().getYawDegrees() - expectedYaw) < 1e-6 &&
                   std::fabs(game->getControls().getPitchDegrees() - expectedPitch) < 1e-6;
        };
        runUntil(*game, arrived);
        // A few more frames: nothing may be counted twice.
        for (int i = 0; i < 10; ++i)
            game->frame(false);
        yaw = game->getControls().getYawDegrees();
        pitch = game->getControls().getPitchDegrees();
        return focused();
    }

    ScriptedPlatform keys;
    Display* display = nullptr;
    std::filesystem::path folder;
};

} // namespace

TEST_F(MouseLookTest, EveryMoveTurnsTheViewInAnyWindow) {
    // The screen is 1920 x 1080; 6 pixels are 5 degrees at the default sensitivity.
    const std::vector<LookCase> cases = {
        {"a window smaller than half the screen", 800, 600, {{-6, 0}, {-6, 0}, {-6, 0}}},
        {"the default window, larger than half the screen", 1024, 860, {{-6, 0}, {0, -24}}},
        {"a fast turn, far past the window's edge", 1024, 860, {{700, 0}}},
        {"a fast turn in a small window", 320, 240, {{-1500, 0}, {0, 400}}},
        {"a burst of moves within one frame",
         1024,
         860,
         {{10, 0}, {10, 0}, {10, 0}, {10, 0}, {10, 0}}},
    };
    for (const LookCase& c : cases) {
        double yaw = 0, pitch = 0, expectedYaw = 0, expectedPitch = 0;
        bool played = false;
        for (int attempt = 0; attempt < 5 && !played; ++attempt)
            played = play(c, yaw, pitch, expectedYaw, expectedPitch);
        ASSERT_TRUE(played) << c.name << ": the window never kept the focus";
        EXPECT_NEAR(yaw, expectedYaw, 1e-6) << c.name;
        EXPECT_NEAR(pitch, expectedPitch, 1e-6) << c.name;
    }
}
