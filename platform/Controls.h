#pragma once

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

struct Config;
struct GLFWwindow;

// Keyboard, mouse and frame timing as the rest of the game consumes them. Each level makes its
// own Controls, but the timing, view angles, sensitivity and display toggles are one copy for the
// whole process, so a level change neither resets the toggles nor jumps the delta time.
class Controls {
  public:
    Controls(GLFWwindow* window, const Config* config);

    // Once a frame: reads the gamepad (Start pauses, Back toggles the frame rate, the right
    // stick turns the view) and measures the frame's delta time from the platform clock; the
    // delta time is 0 while paused.
    void updateTime();
    float getDeltaTime() const;
    // The clock's time for this frame even while paused (the frame-rate line).
    float getFrameSeconds() const;
    // W, S, D, A in that order along the view's forward and right; the last held key wins,
    // keys do not combine. Without a key, the gamepad's left stick, as far as it is pushed.
    void readMovementKeys(const glm::vec3& forward, const glm::vec3& right);
    glm::vec3 getMovement() const { return movement; }
    void resetView();
    bool isAttackHeld() const;

    bool isFpsShown() const;
    bool isWireframe() const;
    bool isCelShading() const;
    bool isDrawingInactive() const;
    // F7: the physics world's shapes drawn over the scene, for level makers (not in demos).
    bool isDrawingPhysics() const;

    // GLFW callbacks; public so tests can feed events without a window. The window's cursor is
    // disabled (unbounded, raw motion where offered), so the view turns by the difference between
    // successive cursor positions; the first position after the window gets the cursor (a new
    // Controls, a focus change) only sets where the next move starts.
    static void onCursorMoved(GLFWwindow* window, double x, double y);
    static void onKey(GLFWwindow* window, int key, int scancode, int action, int mods);
    static void onFocusChanged(GLFWwindow* window, int focused);
    static void onMouseButton(GLFWwindow* window, int button, int action, int mods);
    // After each event poll: a focus loss that still holds pauses (window nullptr: it holds).
    static void afterEventPoll(GLFWwindow* window);
    // Whether F11 was pressed since the last call (the shell switches full screen).
    static bool takeFullScreenRequest();

    // Paused: the game clock stands still (delta time 0), the view and the movement keys do
    // nothing and the window's cursor is free to leave. P toggles it, losing the focus pauses, a
    // click in the window resumes.
    static bool isPaused();
    // window, when given, gets its cursor back (paused) or captured again.
    static void setPaused(GLFWwindow* window, bool paused);

    // Turns the view as a mouse moved dx pixels right and dy pixels down would (scripted play).
    // Nothing while paused.
    static void moveMouse(double dx, double dy);
    // Turns the view along direction by the one mouse movement a player of that sensitivity
    // would make (scripted play: routes, the benchmark's views, the soak).
    static void turnTowards(const glm::vec3& direction, double sensitivity);
    // The same turn, paused or not (a demo's movements were all taken).
    static void turnView(double dx, double dy);

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
    // Part of the process-wide input state; nullptr for none. Not owned.
    static void setObserver(Observer* observer);

    // The process-wide state, for tests.
    static double getYawDegrees();
    static double getPitchDegrees();
    // Points the view: the camera takes these angles at the player's next update. The pitch,
    // here and from the mouse, is kept within the camera's limits.
    static void setView(double yawDegrees, double pitchDegrees);
    static void resetSharedState();

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
    GLFWwindow* window = nullptr;
    float moveSpeed = 6.0f;
    glm::vec3 movement{0.0f};
};
