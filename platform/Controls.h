#pragma once

#include "platform/KeyBindings.h"
#include "platform/Platform.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <vector>

struct GLFWwindow;

namespace brindlemox::platform {

struct Config;

// A press a menu takes: a key (GLFW code, as pressed), a click (where, as fractions of the window
// across and down) or a gamepad button or push, already read as a menu step.
struct MenuEvent {
    enum Kind { Key, Click, PadUp, PadDown, PadLeft, PadRight, PadChoose, PadBack };
    Kind kind = Key;
    int key = 0;
    double x = 0.0;
    double y = 0.0;
};

// Keyboard, mouse, gamepad and frame timing as the rest of the game consumes them. One object,
// owned by the game and handed to its levels, so a level change neither resets the toggles nor
// jumps the delta time. The window's input callbacks reach it through the window's user pointer.
class Controls {
  public:
    // window may be nullptr (tests, scripted play): nothing is hooked then.
    Controls(GLFWwindow* window, const Config* config);
    ~Controls();
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    // Once a frame: reads the gamepad (Start pauses, Back toggles the frame rate, the right
    // stick turns the view) and measures the frame's delta time from the platform clock; the
    // delta time is 0 while paused.
    void updateTime();
    float getDeltaTime() const { return deltaTime; }
    // The clock's time for this frame even while paused (the frame-rate line).
    float getFrameSeconds() const { return frameSeconds; }
    // The platform clock as the last frame read it (0 before the first frame).
    double getClock() const { return lastTime; }
    // W, S, D, A in that order along the view's forward and right; the last held key wins,
    // keys do not combine. Without a key, the gamepad's left stick, as far as it is pushed.
    void readMovementKeys(const glm::vec3& forward, const glm::vec3& right);
    glm::vec3 getMovement() const { return movement; }
    void resetView();
    bool isAttackHeld() const;

    bool isFpsShown() const { return fpsShown; }
    bool isWireframe() const { return wireframe; }
    bool isCelShading() const { return celShading; }
    bool isDrawingInactive() const { return drawingInactive; }
    // F6: the HUD's marker of the nearest standing breakable wall (on as the config says).
    bool isWallMarkerShown() const { return wallMarkerShown; }
    // The settings menu's choice.
    void setWallMarkerShown(bool on) { wallMarkerShown = on; }
    // F7: the physics world's shapes drawn over the scene, for level makers (not in demos).
    bool isDrawingPhysics() const { return drawingPhysics; }

    // The window's events; tests and demos feed them without a window. The window's cursor is
    // disabled (unbounded, raw motion where offered), so the view turns by the difference between
    // successive cursor positions; the first position after the window gets the cursor (a new
    // Controls, a focus change) only sets where the next move starts. window, where given, is
    // the one whose cursor a pause frees.
    void onCursorMoved(double x, double y);
    void onKey(GLFWwindow* window, int key, int action);
    void onFocusChanged(bool focused);
    void onMouseButton(GLFWwindow* window, int action);
    // After each event poll: a focus loss that still holds pauses (window nullptr: it holds).
    void afterEventPoll(GLFWwindow* window);
    // Whether F11 was pressed since the last call (the shell switches full screen).
    bool takeFullScreenRequest();

    // Paused: the game clock stands still (delta time 0), the view and the movement keys do
    // nothing and the window's cursor is free to leave. P toggles it, losing the focus pauses, a
    // click in the window resumes.
    bool isPaused() const { return paused; }
    // window, when given, gets its cursor back (paused) or captured again.
    void setPaused(GLFWwindow* window, bool paused);

    // Takes the mouse and gamepad settings anew (the settings menu changed them).
    void applySettings(const Config& config);

    // While a menu is open its presses (keys, clicks, the gamepad's d-pad, stick, south and east)
    // are queued for it instead of reaching play; the cursor is free.
    void setMenuInput(bool on);
    bool isMenuInput() const { return menuInput; }
    // The presses since the last call, in order.
    std::vector<MenuEvent> takeMenuEvents();
    // Pauses or resumes as P does (a menu's Resume): a demo being recorded notes it.
    void requestPause(bool paused) { pauseByEvent(window, paused); }

    // Turns the view as a mouse moved dx pixels right and dy pixels down would (scripted play).
    // Nothing while paused.
    void moveMouse(double dx, double dy);
    // Turns the view along direction by the one mouse movement a player of that sensitivity
    // would make (scripted play: routes, the benchmark's views, the soak).
    void turnTowards(const glm::vec3& direction, double sensitivity);
    // The same turn, paused or not (a demo's movements were all taken).
    void turnView(double dx, double dy);

    // Told of every mouse movement the view takes and every display toggle pressed, as they
    // happen (demo recording).
    class Observer {
      public:
        virtual ~Observer() = default;
        virtual void mouseMoved(double dx, double dy) = 0;
        virtual void togglePressed(int key) = 0;
        // The window's events (P, a focus loss, a click) paused or resumed the game.
        virtual void pauseChanged(bool /*paused*/) {}
    };
    // nullptr for none. Not owned.
    void setObserver(Observer* watcher) { observer = watcher; }

    double getYawDegrees() const { return yaw; }
    double getPitchDegrees() const { return pitch; }
    // Points the view: the camera takes these angles at the player's next update. The pitch,
    // here and from the mouse, is kept within the camera's limits.
    void setView(double yawDegrees, double pitchDegrees);

    // How far the view looks up or down: the camera's limit too.
    static constexpr double MaxPitchDegrees = 80.0;

    // Degrees the view turns per pixel of mouse movement at sensitivity 1.
    static constexpr double DegreesPerPixel = 1.0 / 60.0;
    // Degrees per second the right stick turns the view, pushed all the way, at the default
    // sensitivity (50); the sensitivity scales it.
    static constexpr double StickDegreesPerSecond = 120.0;
    // The stored pitch stays where the camera can look.
    static constexpr double PitchLimit = 80.0;
    // A stick inside the dead zone reads 0; outside it the rest of the way is rescaled to 0..1,
    // so the speed grows smoothly from the zone's edge. A diagonal is never longer than 1.
    static glm::vec2 deadZoned(float x, float y, float zone);

  private:
    // A pause change that came from the window's events, which a demo records.
    void pauseByEvent(GLFWwindow* window, bool paused);
    // The gamepad's menu steps this frame (pressed: the buttons new since the last frame).
    void queuePadSteps(unsigned pressed);

    GLFWwindow* window = nullptr;
    float moveSpeed = 6.0f;
    glm::vec3 movement{0.0f};
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
    bool drawingPhysics = false;
    bool wallMarkerShown = true;
    Observer* observer = nullptr;
    // Keys pressed are known by the keys their actions have by default.
    KeyBindings bindings;
    bool menuInput = false;
    std::vector<MenuEvent> menuEvents;
    // The left stick's last menu step (-1 up, 1 down, 0 centred): one step per push.
    int stickStep = 0;
};

} // namespace brindlemox::platform
