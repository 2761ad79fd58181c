#include "platform/Controls.h"

#include "platform/Config.h"
#include "platform/Platform.h"

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>

#include <algorithm>
#include <cmath>

namespace {

// The stored pitch stays within the camera's limits, so the first movement back turns the view.
double boundedPitch(double degrees) {
    return std::clamp(degrees, -Controls::MaxPitchDegrees, Controls::MaxPitchDegrees);
}

// One copy for the whole program.
struct SharedInput {
    double yaw = 90.0;
    double pitch = 0.0;
    float horizontalSensitivity = 0.0f;
    float verticalSensitivity = 0.0f;
    bool invertPitch = false;
    float deltaTime = 0.0f;
    float frameSeconds = 0.0f;
    double lastTime = 0.0;
    bool paused = false;
    // A window that never had the focus cannot lose it (X reports a loss as the window opens).
    bool hadFocus = false;
    bool focusLossPending = false;
    bool fullScreenRequested = false;
    float deadzone = 0.15f;
    // This frame's gamepad, and the buttons of the last one (for presses).
    GamepadState pad;
    unsigned lastButtons = 0;
    // Where the last cursor event left the cursor; unknown until the first event.
    bool cursorKnown = false;
    double cursorX = 0.0;
    double cursorY = 0.0;
    bool fpsShown = false;
    bool wireframe = false;
    bool celShading = false;
    bool drawingInactive = true;
    Controls::Observer* observer = nullptr;
};

SharedInput& shared() {
    static SharedInput state;
    return state;
}

} // namespace

Controls::Controls(GLFWwindow* window, const Config* config) : window(window) {
    SharedInput& s = shared();
    s.horizontalSensitivity = config->mouseSensitivity;
    s.verticalSensitivity = config->mouseSensitivity;
    s.invertPitch = config->invertMouse;
    s.deadzone = config->gamepadDeadzone;
    s.cursorKnown = false;
    if (window != nullptr) {
        // A disabled cursor is hidden and never stops at the window's or the screen's edge, so
        // every movement reaches the game whatever the window's size and place. Raw motion skips
        // the desktop's pointer acceleration.
        glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
        if (glfwRawMouseMotionSupported())
            glfwSetInputMode(window, GLFW_RAW_MOUSE_MOTION, GLFW_TRUE);
        glfwSetCursorPosCallback(window, &Controls::onCursorMoved);
        glfwSetKeyCallback(window, &Controls::onKey);
        glfwSetWindowFocusCallback(window, &Controls::onFocusChanged);
        glfwSetMouseButtonCallback(window, &Controls::onMouseButton);
        if (s.paused)
            glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_NORMAL);
    }
}

glm::vec2 Controls::deadZoned(float x, float y, float zone) {
    const float length = std::sqrt(x * x + y * y);
    if (!(length > zone) || !std::isfinite(length))
        return glm::vec2(0.0f);
    const float scaled = std::min(1.0f, (length - zone) / (1.0f - zone));
    return glm::vec2(x, y) * (scaled / length);
}

void Controls::updateTime() {
    SharedInput& s = shared();
    s.pad = platform().gamepad();
    const unsigned pressed = s.pad.buttons & ~s.lastButtons;
    s.lastButtons = s.pad.buttons;
    if ((pressed & (1u << GLFW_GAMEPAD_BUTTON_START)) != 0)
        setPaused(window, !s.paused);
    if ((pressed & (1u << GLFW_GAMEPAD_BUTTON_BACK)) != 0)
        s.fpsShown = !s.fpsShown;
    double now = platform().now();
    s.frameSeconds = static_cast<float>(now - s.lastTime);
    // The clock keeps running while paused, so play resumes without a jump.
    s.deltaTime = s.paused ? 0.0f : s.frameSeconds;
    s.lastTime = now;
    // Degrees per second: the same push turns the view equally at any frame rate.
    const glm::vec2 look = deadZoned(s.pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_X],
                                     s.pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_Y], s.deadzone);
    const double degrees =
        StickDegreesPerSecond * s.horizontalSensitivity / 50.0 * static_cast<double>(s.deltaTime);
    s.yaw -= look.x * degrees;
    if (look.y != 0.0f)
        s.pitch = std::clamp(s.pitch - look.y * degrees, -PitchLimit, PitchLimit);
}

float Controls::getDeltaTime() const {
    return shared().deltaTime;
}

float Controls::getFrameSeconds() const {
    return shared().frameSeconds;
}

bool Controls::isPaused() {
    return shared().paused;
}

void Controls::setPaused(GLFWwindow* window, bool paused) {
    SharedInput& s = shared();
    s.paused = paused;
    // Capturing the cursor again moves it: not a turn of the view.
    s.cursorKnown = false;
    if (window != nullptr)
        glfwSetInputMode(window, GLFW_CURSOR, paused ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_DISABLED);
}

namespace {

// A pause change that came from the window's events, which a demo records.
void pauseByEvent(GLFWwindow* window, bool paused) {
    SharedInput& s = shared();
    if (s.paused == paused)
        return;
    Controls::setPaused(window, paused);
    if (s.observer != nullptr)
        s.observer->pauseChanged(paused);
}

} // namespace

void Controls::onCursorMoved(GLFWwindow* /*window*/, double x, double y) {
    SharedInput& s = shared();
    const bool known = s.cursorKnown;
    const double dx = x - s.cursorX;
    const double dy = y - s.cursorY;
    s.cursorKnown = true;
    s.cursorX = x;
    s.cursorY = y;
    if (known)
        moveMouse(dx, dy);
}

void Controls::onFocusChanged(GLFWwindow* /*window*/, int focused) {
    SharedInput& s = shared();
    // GLFW frees the cursor on focus loss and re-centres it on focus gain: neither jump is a
    // movement of the mouse.
    s.cursorKnown = false;
    // A player who switches away must not come back to a lost game. Settled after the poll: X
    // also reports losses that the same poll's events take back (the cursor's grab).
    s.focusLossPending = focused == GLFW_FALSE && s.hadFocus;
    s.hadFocus = s.hadFocus || focused == GLFW_TRUE;
}

bool Controls::takeFullScreenRequest() {
    SharedInput& s = shared();
    const bool requested = s.fullScreenRequested;
    s.fullScreenRequested = false;
    // The switch moves the cursor: not a turn of the view.
    if (requested)
        s.cursorKnown = false;
    return requested;
}

void Controls::afterEventPoll(GLFWwindow* window) {
    SharedInput& s = shared();
    if (!s.focusLossPending)
        return;
    s.focusLossPending = false;
    if (window == nullptr || glfwGetWindowAttrib(window, GLFW_FOCUSED) == GLFW_FALSE)
        pauseByEvent(window, true);
}

void Controls::onMouseButton(GLFWwindow* window, int /*button*/, int action, int /*mods*/) {
    if (action == GLFW_PRESS)
        pauseByEvent(window, false);
}

void Controls::turnView(double dx, double dy) {
    SharedInput& s = shared();
    // A fixed angle per pixel: the same hand movement turns the view equally at any frame rate.
    // Left and up turn the view left and up (yaw and pitch grow).
    s.yaw -= dx * s.horizontalSensitivity * DegreesPerPixel;
    s.pitch = boundedPitch(s.pitch -
                           (s.invertPitch ? -dy : dy) * s.verticalSensitivity * DegreesPerPixel);
}

void Controls::moveMouse(double dx, double dy) {
    SharedInput& s = shared();
    // The cursor is free while paused: its moves are the player's, not the view's.
    if (s.paused)
        return;
    turnView(dx, dy);
    if (s.observer != nullptr)
        s.observer->mouseMoved(dx, dy);
}

void Controls::onKey(GLFWwindow* window, int key, int /*scancode*/, int action, int /*mods*/) {
    if (action != GLFW_PRESS)
        return;
    SharedInput& s = shared();
    if (key == GLFW_KEY_P) {
        pauseByEvent(window, !s.paused);
        return;
    }
    if (key == GLFW_KEY_F11) {
        s.fullScreenRequested = !s.fullScreenRequested; // twice in one poll: no switch
        return;
    }
    switch (key) {
    case GLFW_KEY_F2:
        s.fpsShown = !s.fpsShown;
        break;
    case GLFW_KEY_F3:
        s.wireframe = !s.wireframe;
        break;
    case GLFW_KEY_F4:
        s.celShading = !s.celShading;
        break;
    case GLFW_KEY_F8:
        s.drawingInactive = !s.drawingInactive;
        break;
    default:
        return;
    }
    if (s.observer != nullptr)
        s.observer->togglePressed(key);
}

void Controls::readMovementKeys(const glm::vec3& forward, const glm::vec3& right) {
    const glm::vec3 d = forward;
    const glm::vec3 r = right;
    const float distance = shared().deltaTime * moveSpeed;
    const glm::vec2 stick =
        deadZoned(shared().pad.axes[GLFW_GAMEPAD_AXIS_LEFT_X],
                  shared().pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y], shared().deadzone);
    // Stick up (y below 0) flies forward.
    movement = (d * -stick.y + r * stick.x) * distance;
    Platform& keys = platform();
    if (keys.isKeyHeld(GLFW_KEY_W))
        movement = d * distance;
    if (keys.isKeyHeld(GLFW_KEY_S))
        movement = -d * distance;
    if (keys.isKeyHeld(GLFW_KEY_D))
        movement = r * distance;
    if (keys.isKeyHeld(GLFW_KEY_A))
        movement = -r * distance;
    // Straight up and down, whatever the view.
    if (keys.isKeyHeld(GLFW_KEY_E))
        movement = glm::vec3(0.0f, distance, 0.0f);
    if (keys.isKeyHeld(GLFW_KEY_Q))
        movement = glm::vec3(0.0f, -distance, 0.0f);
}

void Controls::resetView() {
    shared().yaw = 90.0;
    shared().pitch = 0.0;
}

bool Controls::isAttackHeld() const {
    const GamepadState& pad = shared().pad;
    const bool padAttack = pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER] > 0.0f ||
                           (pad.buttons & (1u << GLFW_GAMEPAD_BUTTON_A)) != 0;
    // The key is asked first and always: a demo records every key query.
    return platform().isKeyHeld(GLFW_KEY_SPACE) || padAttack;
}

bool Controls::isFpsShown() const {
    return shared().fpsShown;
}
bool Controls::isWireframe() const {
    return shared().wireframe;
}
bool Controls::isCelShading() const {
    return shared().celShading;
}
bool Controls::isDrawingInactive() const {
    return shared().drawingInactive;
}

double Controls::getYawDegrees() {
    return shared().yaw;
}
double Controls::getPitchDegrees() {
    return shared().pitch;
}

void Controls::setView(double yawDegrees, double pitchDegrees) {
    shared().yaw = yawDegrees;
    shared().pitch = boundedPitch(pitchDegrees);
}

void Controls::setObserver(Observer* observer) {
    shared().observer = observer;
}

void Controls::resetSharedState() {
    shared() = SharedInput{};
}

void Controls::turnTowards(const glm::vec3& direction, double sensitivity) {
    const glm::vec3 d = glm::normalize(direction);
    const double yaw = std::atan2(d.x, d.z) * 180.0 / M_PI;
    const double pitch = std::asin(std::clamp(d.y, -1.0f, 1.0f)) * 180.0 / M_PI;
    const double dyaw = std::remainder(yaw - getYawDegrees(), 360.0);
    const double perPixel = sensitivity * DegreesPerPixel;
    const double dpitch = std::clamp(pitch, -MaxPitchDegrees, MaxPitchDegrees) - getPitchDegrees();
    moveMouse(-dyaw / perPixel, -dpitch / perPixel);
}
