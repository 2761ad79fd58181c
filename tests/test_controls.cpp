#include "platform/Config.h"
#include "platform/Controls.h"
#include "render/Camera.h"
#include "support/Checks.h"
#include "support/ScriptedPlatform.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::render;

namespace {

class ControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        controls = std::make_unique<Controls>(nullptr, &config);
        camera.setYaw(90);
        camera.updateVectors();
    }

    void frame(double seconds) {
        keys.advance(seconds);
        controls->updateTime();
    }

    ScriptedPlatform keys;
    Config config;
    std::unique_ptr<Controls> controls;
    Camera camera;
};

} // namespace

TEST_F(ControlsTest, FirstDeltaTimeIsTheWholeStartUp) {
    keys.advance(3.25);
    controls->updateTime();
    EXPECT_FLOAT_EQ(controls->getDeltaTime(), 3.25f);
    frame(0.02);
    EXPECT_NEAR(controls->getDeltaTime(), 0.02f, 1e-6);
}

TEST_F(ControlsTest, TimingIsSharedBetweenLevels) {
    // Every level holds the game's one Controls: the next level's first frame measures from
    // the last one's.
    frame(1.0);
    Controls& nextLevels = *controls;
    keys.advance(0.5);
    nextLevels.updateTime();
    EXPECT_FLOAT_EQ(controls->getDeltaTime(), 0.5f);
}

TEST_F(ControlsTest, LastHeldMovementKeyWins) {
    frame(0.5);
    const glm::vec3 d = camera.getDirection();
    const glm::vec3 r = camera.getRight();
    const float step = 0.5f * 6.0f;

    keys.hold(GLFW_KEY_W);
    controls->readMovementKeys(camera.getDirection(), camera.getRight());
    EXPECT_NEAR(controls->getMovement().x, d.x * step, 1e-5);

    keys.hold(GLFW_KEY_S);
    controls->readMovementKeys(camera.getDirection(), camera.getRight());
    EXPECT_NEAR(controls->getMovement().x, -d.x * step, 1e-5);

    keys.releaseAll();
    keys.hold(GLFW_KEY_A);
    keys.hold(GLFW_KEY_D);
    controls->readMovementKeys(camera.getDirection(), camera.getRight());
    EXPECT_NEAR(controls->getMovement().z, -r.z * step, 1e-5);

    keys.releaseAll();
    controls->readMovementKeys(camera.getDirection(), camera.getRight());
    EXPECT_EQ(controls->getMovement(), glm::vec3(0.0f));

    // E rises and Q sinks at the same speed, whatever the view.
    keys.hold(GLFW_KEY_W);
    keys.hold(GLFW_KEY_E);
    controls->readMovementKeys(camera.getDirection(), camera.getRight());
    EXPECT_EQ(controls->getMovement(), glm::vec3(0.0f, step, 0.0f));
    keys.hold(GLFW_KEY_Q);
    controls->readMovementKeys(camera.getDirection(), camera.getRight());
    EXPECT_EQ(controls->getMovement(), glm::vec3(0.0f, -step, 0.0f));
    keys.releaseAll();

    // A tap between two frames still counts once.
    keys.tap(GLFW_KEY_D);
    controls->readMovementKeys(camera.getDirection(), camera.getRight());
    EXPECT_NEAR(controls->getMovement().z, r.z * step, 1e-5);
    controls->readMovementKeys(camera.getDirection(), camera.getRight());
    EXPECT_EQ(controls->getMovement(), glm::vec3(0.0f));
}

TEST_F(ControlsTest, WLooksWhereTheCameraLooks) {
    frame(1.0);
    controls->moveMouse(0.0, -60.0 * 30.0 / 50.0); // 30 degrees up
    applyMouseLook(*controls, camera);
    keys.hold(GLFW_KEY_W);
    controls->readMovementKeys(camera.getDirection(), camera.getRight());
    EXPECT_GT(controls->getMovement().y, 2.9f);
}

TEST_F(ControlsTest, FunctionKeysToggleOnPressOnly) {
    EXPECT_FALSE(controls->isFpsShown());
    EXPECT_FALSE(controls->isWireframe());
    EXPECT_FALSE(controls->isCelShading());
    EXPECT_TRUE(controls->isDrawingInactive());

    controls->onKey(nullptr, GLFW_KEY_F2, GLFW_PRESS);
    controls->onKey(nullptr, GLFW_KEY_F2, GLFW_REPEAT);
    controls->onKey(nullptr, GLFW_KEY_F2, GLFW_RELEASE);
    EXPECT_TRUE(controls->isFpsShown());
    controls->onKey(nullptr, GLFW_KEY_F3, GLFW_PRESS);
    controls->onKey(nullptr, GLFW_KEY_F4, GLFW_PRESS);
    controls->onKey(nullptr, GLFW_KEY_F8, GLFW_PRESS);
    EXPECT_TRUE(controls->isWireframe());
    EXPECT_TRUE(controls->isCelShading());
    EXPECT_FALSE(controls->isDrawingInactive());
    for (int key : {GLFW_KEY_F1, GLFW_KEY_F5, GLFW_KEY_F6, GLFW_KEY_F7, GLFW_KEY_ESCAPE})
        controls->onKey(nullptr, key, GLFW_PRESS);
    EXPECT_TRUE(controls->isFpsShown());
    EXPECT_TRUE(controls->isWireframe());
}

TEST_F(ControlsTest, MouseTurnsByAFixedAnglePerPixel) {
    frame(0.001); // a fast frame must not slow the view down
    controls->moveMouse(-60.0, 0.0);
    EXPECT_NEAR(controls->getYawDegrees(), 90.0 + 50.0, 1e-9);
    frame(0.5); // nor a slow one speed it up
    controls->moveMouse(60.0, 6.0);
    EXPECT_NEAR(controls->getYawDegrees(), 90.0, 1e-9);
    EXPECT_NEAR(controls->getPitchDegrees(), -5.0, 1e-9);
}

namespace {

// A cursor event, a focus change or a switch to or from full screen, fed in order.
struct InputEvent {
    enum Kind { Cursor, Focus, FullScreen } kind;
    double x = 0.0;
    double y = 0.0;
};

struct CursorCase {
    const char* name;
    std::vector<InputEvent> events;
    double yaw; // expected, degrees, at the default sensitivity of 50
    double pitch;
};

InputEvent at(double x, double y) {
    return {InputEvent::Cursor, x, y};
}

} // namespace

TEST_F(ControlsTest, TheViewTurnsByTheDifferenceOfSuccessiveCursorPositions) {
    const InputEvent focus{InputEvent::Focus};
    const InputEvent fullScreen{InputEvent::FullScreen};
    // 60 pixels are 50 degrees.
    const std::vector<CursorCase> cases = {
        {"the first position only sets the start", {at(4000, -3000)}, 90, 0},
        {"left and up turn left and up", {at(100, 100), at(40, 40)}, 140, 50},
        {"positions far outside any screen", {at(5000, 5000), at(5060, 5006)}, 40, -5},
        {"a burst: the sum of its moves",
         {at(0, 0), at(10, 0), at(20, 0), at(30, 0), at(40, 0), at(50, 0)},
         90 - 50.0 * 50 / 60,
         0},
        {"there and back again", {at(0, 0), at(-600, 0), at(0, 0)}, 90, 0},
        {"a focus change is not a move",
         {at(0, 0), at(-60, 0), focus, at(900, 700), at(840, 700)},
         190,
         0},
        {"nor is the full-screen switch's",
         {at(0, 0), at(0, -12), fullScreen, at(-300, 0)},
         90,
         10},
    };
    for (const CursorCase& c : cases) {
        Controls fresh(nullptr, &config);
        for (const InputEvent& e : c.events) {
            if (e.kind == InputEvent::Cursor)
                fresh.onCursorMoved(e.x, e.y);
            else if (e.kind == InputEvent::Focus) {
                // Away and back: the focus loss pauses, the click on return resumes.
                fresh.onFocusChanged(true);
                fresh.onFocusChanged(false);
                fresh.afterEventPoll(nullptr);
                fresh.onFocusChanged(true);
                fresh.onMouseButton(nullptr, GLFW_PRESS);
            } else {
                fresh.onKey(nullptr, GLFW_KEY_F11, GLFW_PRESS);
                EXPECT_TRUE(fresh.takeFullScreenRequest()) << c.name;
            }
        }
        EXPECT_NEAR(fresh.getYawDegrees(), c.yaw, 1e-9) << c.name;
        EXPECT_NEAR(fresh.getPitchDegrees(), c.pitch, 1e-9) << c.name;
    }
}

TEST_F(ControlsTest, PitchStopsAtTheCameraLimit) {
    const float limit = 80.0f * checks::Degree;
    controls->moveMouse(0.0, -120.0); // +100 degrees, kept at 80
    applyMouseLook(*controls, camera);
    EXPECT_NEAR(camera.getPitch(), limit, 1e-5);
    EXPECT_EQ(controls->getPitchDegrees(), 80.0);
    controls->moveMouse(0.0, 12.0); // back by 10: the first pixel back turns the view
    applyMouseLook(*controls, camera);
    EXPECT_NEAR(camera.getPitch(), 70.0f * checks::Degree, 1e-5);
    controls->setView(45.0, -99999.0);
    EXPECT_EQ(controls->getPitchDegrees(), -80.0);
    controls->moveMouse(0.0, -1.2); // one degree up
    EXPECT_NEAR(controls->getPitchDegrees(), -79.0, 1e-9);
    controls->resetView();
    EXPECT_EQ(controls->getYawDegrees(), 90.0);
    EXPECT_EQ(controls->getPitchDegrees(), 0.0);
}

TEST_F(ControlsTest, ZeroSensitivityFreezesTheView) {
    Config still;
    still.mouseSensitivity = 0.0f;
    Controls frozen(nullptr, &still);
    frozen.onCursorMoved(0.0, 0.0);
    frozen.onCursorMoved(300.0, -200.0);
    EXPECT_EQ(frozen.getYawDegrees(), 90.0);
    EXPECT_EQ(frozen.getPitchDegrees(), 0.0);
}

TEST_F(ControlsTest, AttackIsSpace) {
    EXPECT_FALSE(controls->isAttackHeld());
    keys.hold(GLFW_KEY_SPACE);
    EXPECT_TRUE(controls->isAttackHeld());
}

namespace {

// One step of a pause scenario: a window event, or a frame of the clock.
struct PauseStep {
    // FocusBlink: lost and back within one event poll.
    enum Kind { KeyP, FocusLost, FocusGained, FocusBlink, Click, Mouse, Frame } kind;
    double value = 0.0; // the frame's seconds, or the mouse's pixels right
};

struct PauseCase {
    const char* name;
    std::vector<PauseStep> steps;
    bool paused;
    float deltaTime; // of the last frame
    double yaw;
};

} // namespace

TEST_F(ControlsTest, PauseStopsTheClockAndTheViewUntilPOrAClick) {
    using S = PauseStep;
    const std::vector<PauseCase> cases = {
        {"P pauses", {{S::Frame, 0.1}, {S::KeyP}, {S::Frame, 0.25}}, true, 0.0f, 90},
        {"P again resumes without a jump",
         {{S::KeyP}, {S::Frame, 3.0}, {S::KeyP}, {S::Frame, 0.25}},
         false,
         0.25f,
         90},
        {"a focus loss pauses",
         {{S::FocusGained}, {S::FocusLost}, {S::Frame, 0.25}},
         true,
         0.0f,
         90},
        {"not the one X reports as the window opens",
         {{S::FocusLost}, {S::FocusGained}, {S::Frame, 0.25}},
         false,
         0.25f,
         90},
        {"nor one that the same poll takes back",
         {{S::FocusGained}, {S::FocusBlink}, {S::Frame, 0.25}},
         false,
         0.25f,
         90},
        {"the focus coming back does not resume",
         {{S::FocusGained}, {S::FocusLost}, {S::FocusGained}, {S::Frame, 0.25}},
         true,
         0.0f,
         90},
        {"a click resumes", {{S::KeyP}, {S::Click}, {S::Frame, 0.25}}, false, 0.25f, 90},
        {"a click while playing changes nothing", {{S::Click}, {S::Frame, 0.25}}, false, 0.25f, 90},
        {"the free cursor does not turn the view",
         {{S::KeyP}, {S::Mouse, -60}, {S::KeyP}, {S::Mouse, -60}, {S::Frame, 0.5}},
         false,
         0.5f,
         140},
    };
    for (const PauseCase& c : cases) {
        Controls fresh(nullptr, &config);
        fresh.updateTime();
        for (const PauseStep& step : c.steps) {
            switch (step.kind) {
            case S::KeyP:
                fresh.onKey(nullptr, GLFW_KEY_P, GLFW_PRESS);
                break;
            case S::FocusLost:
            case S::FocusGained:
                fresh.onFocusChanged(step.kind == S::FocusGained);
                fresh.afterEventPoll(nullptr);
                break;
            case S::FocusBlink:
                fresh.onFocusChanged(false);
                fresh.onFocusChanged(true);
                fresh.afterEventPoll(nullptr);
                break;
            case S::Click:
                fresh.onMouseButton(nullptr, GLFW_PRESS);
                break;
            case S::Mouse:
                fresh.moveMouse(step.value, 0.0);
                break;
            case S::Frame:
                keys.advance(step.value);
                fresh.updateTime();
                break;
            }
        }
        EXPECT_EQ(fresh.isPaused(), c.paused) << c.name;
        EXPECT_FLOAT_EQ(fresh.getDeltaTime(), c.deltaTime) << c.name;
        EXPECT_NEAR(fresh.getYawDegrees(), c.yaw, 1e-9) << c.name;
    }
}

namespace {

GamepadState pad(float lx, float ly, float rx = 0, float ry = 0, unsigned buttons = 0,
                 float rightTrigger = -1) {
    GamepadState state;
    state.connected = true;
    state.axes = {lx, ly, rx, ry, -1.0f, rightTrigger};
    state.buttons = buttons;
    return state;
}

constexpr unsigned Start = 1u << GLFW_GAMEPAD_BUTTON_START;
constexpr unsigned Back = 1u << GLFW_GAMEPAD_BUTTON_BACK;
constexpr unsigned South = 1u << GLFW_GAMEPAD_BUTTON_A;

struct PadFrame {
    GamepadState state;
    double seconds = 0.1;
    bool holdW = false;
};

struct PadCase {
    const char* name;
    std::vector<PadFrame> frames;
    // After the last frame: movement along the view (forward, right) in units per second,
    // the view, and the rest.
    glm::vec2 speed;
    double yaw, pitch;
    bool paused = false;
    bool fpsShown = false;
    bool attack = false;
};

} // namespace

TEST_F(ControlsTest, TheGamepadFliesLooksAttacksAndPauses) {
    const GamepadState none;
    const float zone = 0.15f;
    const float halfPast = zone + (1.0f - zone) * 0.5f; // half of the stick's live range
    const std::vector<PadCase> cases = {
        {"no gamepad", {{none}}, {0, 0}, 90, 0},
        {"inside the dead zone", {{pad(0.1f, -0.1f, 0.1f, 0.1f)}}, {0, 0}, 90, 0},
        {"all the way forward: the keys' speed", {{pad(0, -1)}}, {6, 0}, 90, 0},
        {"half way: half the speed", {{pad(halfPast, 0)}}, {0, 3}, 90, 0},
        {"held diagonally: no faster",
         {{pad(0.9f, -0.9f)}},
         {6 / std::sqrt(2.0f), 6 / std::sqrt(2.0f)},
         90,
         0},
        {"a key wins over the stick", {{pad(0, 1), 0.1, true}}, {6, 0}, 90, 0},
        {"right stick: degrees per second", {{pad(0, 0, 1, 0), 0.5}}, {0, 0}, 30, 0},
        {"looking up stops at the camera's limit",
         {{pad(0, 0, 0, -1), 1.0}, {pad(0, 0, 0, -1), 1.0}},
         {0, 0},
         90,
         80},
        {"Start pauses: nothing flies or turns",
         {{pad(0, 0, 0, 0, Start)}, {pad(0, -1, 1, 0, Start)}},
         {0, 0},
         90,
         0,
         true},
        {"Start again resumes",
         {{pad(0, 0, 0, 0, Start)}, {pad(0, 0)}, {pad(0, 0, 0, 0, Start)}},
         {0, 0},
         90,
         0,
         false},
        {"Back shows the frame rate",
         {{pad(0, 0, 0, 0, Back)}, {pad(0, 0, 0, 0, Back)}},
         {0, 0},
         90,
         0,
         false,
         true},
        {"the right trigger attacks",
         {{pad(0, 0, 0, 0, 0, 0.5f)}},
         {0, 0},
         90,
         0,
         false,
         false,
         true},
        {"the south button attacks", {{pad(0, 0, 0, 0, South)}}, {0, 0}, 90, 0, false, false, true},
        {"plugged in while playing", {{none}, {pad(0, -1)}}, {6, 0}, 90, 0},
        {"pulled out while pushed", {{pad(0, -1, 1, 0, South)}, {none, 0.5}}, {0, 0}, 90 - 12, 0},
    };
    for (const PadCase& c : cases) {
        keys.pad = none;
        Controls fresh(nullptr, &config);
        fresh.updateTime();
        for (const PadFrame& f : c.frames) {
            keys.releaseAll();
            if (f.holdW)
                keys.hold(GLFW_KEY_W);
            keys.pad = f.state;
            keys.advance(f.seconds);
            fresh.updateTime();
        }
        // The movement along a level view (yaw 90 looks along +x; right is -z).
        const glm::vec3 forward(1, 0, 0), right(0, 0, -1);
        fresh.readMovementKeys(forward, right);
        const float seconds = static_cast<float>(c.frames.back().seconds);
        const glm::vec3 moved = fresh.getMovement() / seconds;
        EXPECT_NEAR(glm::dot(moved, forward), c.speed.x, 1e-4) << c.name;
        EXPECT_NEAR(glm::dot(moved, right), c.speed.y, 1e-4) << c.name;
        EXPECT_NEAR(fresh.getYawDegrees(), c.yaw, 1e-4) << c.name;
        EXPECT_NEAR(fresh.getPitchDegrees(), c.pitch, 1e-4) << c.name;
        EXPECT_EQ(fresh.isPaused(), c.paused) << c.name;
        EXPECT_EQ(fresh.isFpsShown(), c.fpsShown) << c.name;
        EXPECT_EQ(fresh.isAttackHeld(), c.attack) << c.name;
    }
    keys.pad = GamepadState();
}
