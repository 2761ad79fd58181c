#include "platform/Controls.h"

#include "platform/Config.h"
#include "platform/Platform.h"

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>

#include <algorithm>
#include <cmath>

namespace brindlemox::platform {

namespace {

// The stored pitch stays within the camera's limits, so the first movement back turns the view.
double boundedPitch(double degrees) {
    return std::clamp(degrees, -Controls::MaxPitchDegrees, Controls::MaxPitchDegrees);
}

// GLFW's callbacks, which find the window's Controls through its user pointer.
Controls* controlsOf(GLFWwindow* window) {
    return static_cast<Controls*>(glfwGetWindowUserPointer(window));
}
void cursorCallback(GLFWwindow* window, double x, double y) {
    if (Controls* controls = controlsOf(window))
        controls->onCursorMoved(x, y);
}
void keyCallback(GLFWwindow* window, int key, int /*scancode*/, int action, int /*mods*/) {
    if (Controls* controls = controlsOf(window))
        controls->onKey(window, key, action);
}
void focusCallback(GLFWwindow* window, int focused) {
    if (Controls* controls = controlsOf(window))
        controls->onFocusChanged(focused == GLFW_TRUE);
}
void mouseButtonCallback(GLFWwindow* window, int /*button*/, int action, int /*mods*/) {
    if (Controls* controls = controlsOf(window))
        controls->onMouseButton(window, action);
}

} // namespace

Controls::Controls(GLFWwindow* window, const Config* config)
    : window(window), horizontalSensitivity(config->mouseSensitivity),
      verticalSensitivity(config->mouseSensitivity), invertPitch(config->invertMouse),
      deadzone(config->gamepadDeadzone), wallMarkerShown(config->wallMarker),
      bindings(config->bindings) {
    if (window != nullptr) {
        // A disabled cursor is hidden and never stops at the window's or the screen's edge, so
        // every movement reaches the game whatever the window's size and place. Raw motion skips
        // the desktop's pointer acceleration.
        glfwSetInputMode(window, GLFW_CURSOR, GLFW_CURSOR_DISABLED);
        if (glfwRawMouseMotionSupported())
            glfwSetInputMode(window, GLFW_RAW_MOUSE_MOTION, GLFW_TRUE);
        glfwSetWindowUserPointer(window, this);
        glfwSetCursorPosCallback(window, &cursorCallback);
        glfwSetKeyCallback(window, &keyCallback);
        glfwSetWindowFocusCallback(window, &focusCallback);
        glfwSetMouseButtonCallback(window, &mouseButtonCallback);
    }
}

void Controls::applySettings(const Config& config) {
    horizontalSensitivity = config.mouseSensitivity;
    verticalSensitivity = config.mouseSensitivity;
    invertPitch = config.invertMouse;
    deadzone = config.gamepadDeadzone;
    bindings = config.bindings;
}

Controls::~Controls() {
    if (window != nullptr && controlsOf(window) == this)
        glfwSetWindowUserPointer(window, nullptr);
}

glm::vec2 Controls::deadZoned(float x, float y, float zone) {
    const float length = std::sqrt(x * x + y * y);
    if (!(length > zone) || !std::isfinite(length))
        return glm::vec2(0.0f);
    const float scaled = std::min(1.0f, (length - zone) / (1.0f - zone));
    return glm::vec2(x, y) * (scaled / length);
}

void Controls::updateTime() {
    pad = platform().gamepad();
    const unsigned pressed = pad.buttons & ~lastButtons;
    lastButtons = pad.buttons;
    if (menuInput)
        queuePadSteps(pressed);
    if ((pressed & (1u << GLFW_GAMEPAD_BUTTON_START)) != 0)
        setPaused(window, !paused);
    if ((pressed & (1u << GLFW_GAMEPAD_BUTTON_BACK)) != 0)
        fpsShown = !fpsShown;
    double now = platform().now();
    frameSeconds = static_cast<float>(now - lastTime);
    // The clock keeps running while paused, so play resumes without a jump.
    deltaTime = paused ? 0.0f : frameSeconds;
    lastTime = now;
    // Degrees per second: the same push turns the view equally at any frame rate.
    const glm::vec2 look = deadZoned(pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_X],
                                     pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_Y], deadzone);
    const double degrees =
        StickDegreesPerSecond * horizontalSensitivity / 50.0 * static_cast<double>(deltaTime);
    yaw -= look.x * degrees;
    if (look.y != 0.0f)
        pitch = std::clamp(pitch - look.y * degrees, -PitchLimit, PitchLimit);
}

void Controls::queuePadSteps(unsigned pressed) {
    const auto step = [this](MenuEvent::Kind kind) {
        MenuEvent event;
        event.kind = kind;
        menuEvents.push_back(event);
    };
    const struct {
        int button;
        MenuEvent::Kind kind;
    } buttons[] = {{GLFW_GAMEPAD_BUTTON_DPAD_UP, MenuEvent::PadUp},
                   {GLFW_GAMEPAD_BUTTON_DPAD_DOWN, MenuEvent::PadDown},
                   {GLFW_GAMEPAD_BUTTON_DPAD_LEFT, MenuEvent::PadLeft},
                   {GLFW_GAMEPAD_BUTTON_DPAD_RIGHT, MenuEvent::PadRight},
                   {GLFW_GAMEPAD_BUTTON_A, MenuEvent::PadChoose},
                   {GLFW_GAMEPAD_BUTTON_B, MenuEvent::PadBack}};
    for (const auto& b : buttons)
        if ((pressed & (1u << b.button)) != 0)
            step(b.kind);
    // The stick steps once per push past half way, and again only after it came back.
    const float y = pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y];
    const int now = y < -0.5f ? -1 : y > 0.5f ? 1 : 0;
    if (now != 0 && now != stickStep)
        step(now < 0 ? MenuEvent::PadUp : MenuEvent::PadDown);
    if (std::fabs(y) < 0.3f || now != 0)
        stickStep = now;
}

void Controls::setMenuInput(bool on) {
    menuInput = on;
    menuEvents.clear();
    if (window != nullptr)
        glfwSetInputMode(window, GLFW_CURSOR,
                         on || paused ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_DISABLED);
    cursorKnown = false;
}

std::vector<MenuEvent> Controls::takeMenuEvents() {
    std::vector<MenuEvent> taken;
    taken.swap(menuEvents);
    return taken;
}

void Controls::setPaused(GLFWwindow* window, bool paused) {
    this->paused = paused;
    // Capturing the cursor again moves it: not a turn of the view.
    cursorKnown = false;
    if (window != nullptr)
        glfwSetInputMode(window, GLFW_CURSOR,
                         paused || menuInput ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_DISABLED);
}

void Controls::pauseByEvent(GLFWwindow* window, bool paused) {
    if (this->paused == paused)
        return;
    setPaused(window, paused);
    if (observer != nullptr)
        observer->pauseChanged(paused);
}

void Controls::onCursorMoved(double x, double y) {
    if (menuInput) {
        // A free cursor over a menu: where a click lands, not a turn of the view.
        cursorX = x;
        cursorY = y;
        cursorKnown = false;
        return;
    }
    const bool known = cursorKnown;
    const double dx = x - cursorX;
    const double dy = y - cursorY;
    cursorKnown = true;
    cursorX = x;
    cursorY = y;
    if (known)
        moveMouse(dx, dy);
}

void Controls::onFocusChanged(bool focused) {
    // GLFW frees the cursor on focus loss and re-centres it on focus gain: neither jump is a
    // movement of the mouse.
    cursorKnown = false;
    // A player who switches away must not come back to a lost game. Settled after the poll: X
    // also reports losses that the same poll's events take back (the cursor's grab).
    focusLossPending = !focused && hadFocus;
    hadFocus = hadFocus || focused;
}

bool Controls::takeFullScreenRequest() {
    const bool requested = fullScreenRequested;
    fullScreenRequested = false;
    // The switch moves the cursor: not a turn of the view.
    if (requested)
        cursorKnown = false;
    return requested;
}

void Controls::afterEventPoll(GLFWwindow* window) {
    if (!focusLossPending)
        return;
    focusLossPending = false;
    if (window == nullptr || glfwGetWindowAttrib(window, GLFW_FOCUSED) == GLFW_FALSE)
        pauseByEvent(window, true);
}

void Controls::onMouseButton(GLFWwindow* window, int action) {
    if (action != GLFW_PRESS)
        return;
    if (menuInput) {
        // The menu decides: an entry is chosen, a click beside the pause menu resumes.
        MenuEvent event;
        event.kind = MenuEvent::Click;
        int width = 0;
        int height = 0;
        if (window != nullptr)
            glfwGetWindowSize(window, &width, &height);
        event.x = width > 0 ? cursorX / width : 0.0;
        event.y = height > 0 ? cursorY / height : 0.0;
        menuEvents.push_back(event);
        return;
    }
    pauseByEvent(window, false);
}

void Controls::turnView(double dx, double dy) {
    // A fixed angle per pixel: the same hand movement turns the view equally at any frame rate.
    // Left and up turn the view left and up (yaw and pitch grow).
    yaw -= dx * horizontalSensitivity * DegreesPerPixel;
    pitch = boundedPitch(pitch - (invertPitch ? -dy : dy) * verticalSensitivity * DegreesPerPixel);
}

void Controls::moveMouse(double dx, double dy) {
    // The cursor is free while paused: its moves are the player's, not the view's.
    if (paused)
        return;
    turnView(dx, dy);
    if (observer != nullptr)
        observer->mouseMoved(dx, dy);
}

void Controls::onKey(GLFWwindow* window, int key, int action) {
    if (action != GLFW_PRESS)
        return;
    // Full screen switches in menus too.
    if (menuInput && bindings.gameKeyOf(key) != GLFW_KEY_F11) {
        MenuEvent event;
        event.key = key;
        menuEvents.push_back(event);
        return;
    }
    key = bindings.gameKeyOf(key);
    if (key < 0)
        return; // a key whose action is on another key now
    if (key == GLFW_KEY_P) {
        pauseByEvent(window, !paused);
        return;
    }
    if (key == GLFW_KEY_F11) {
        fullScreenRequested = !fullScreenRequested; // twice in one poll: no switch
        return;
    }
    if (key == GLFW_KEY_F7) {
        // A level maker's view: it changes no run, so demos neither record nor replay it.
        drawingPhysics = !drawingPhysics;
        return;
    }
    switch (key) {
    case GLFW_KEY_F2:
        fpsShown = !fpsShown;
        break;
    case GLFW_KEY_F3:
        wireframe = !wireframe;
        break;
    case GLFW_KEY_F4:
        celShading = !celShading;
        break;
    case GLFW_KEY_F6:
        wallMarkerShown = !wallMarkerShown;
        break;
    case GLFW_KEY_F8:
        drawingInactive = !drawingInactive;
        break;
    default:
        return;
    }
    if (observer != nullptr)
        observer->togglePressed(key);
}

void Controls::readMovementKeys(const glm::vec3& forward, const glm::vec3& right) {
    const glm::vec3 d = forward;
    const glm::vec3 r = right;
    const float distance = deltaTime * moveSpeed;
    const glm::vec2 stick =
        deadZoned(pad.axes[GLFW_GAMEPAD_AXIS_LEFT_X], pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y], deadzone);
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
    yaw = 90.0;
    pitch = 0.0;
}

bool Controls::isAttackHeld() const {
    const bool padAttack = pad.axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER] > 0.0f ||
                           (pad.buttons & (1u << GLFW_GAMEPAD_BUTTON_A)) != 0;
    // The key is asked first and always: a demo records every key query.
    return platform().isKeyHeld(GLFW_KEY_SPACE) || padAttack;
}

void Controls::setView(double yawDegrees, double pitchDegrees) {
    yaw = yawDegrees;
    pitch = boundedPitch(pitchDegrees);
}

void Controls::turnTowards(const glm::vec3& direction, double sensitivity) {
    const glm::vec3 d = glm::normalize(direction);
    const double yawTo = std::atan2(d.x, d.z) * 180.0 / M_PI;
    const double pitchTo = std::asin(std::clamp(d.y, -1.0f, 1.0f)) * 180.0 / M_PI;
    const double dyaw = std::remainder(yawTo - yaw, 360.0);
    const double perPixel = sensitivity * DegreesPerPixel;
    const double dpitch = std::clamp(pitchTo, -MaxPitchDegrees, MaxPitchDegrees) - pitch;
    moveMouse(-dyaw / perPixel, -dpitch / perPixel);
}

} // namespace brindlemox::platform
