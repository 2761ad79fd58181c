#pragma once

#include <glm/vec3.hpp>

struct Config;
struct GLFWwindow;

// Keyboard, mouse and frame timing as the rest of the game consumes them. Each level makes its
// own Controls, but the timing, view angles, sensitivity and display toggles are one copy for the
// whole process, so a level change neither resets the toggles nor jumps the delta time.
class Controls {
  public:
    Controls(GLFWwindow* window, const Config* config);

    // Measures this frame's delta time from the platform clock.
    void updateTime();
    float getDeltaTime() const;
    // W, S, D, A in that order along the view's forward and right; the last held key wins,
    // keys do not combine.
    void readMovementKeys(const glm::vec3& forward, const glm::vec3& right);
    glm::vec3 getMovement() const { return movement; }
    void resetView();
    bool isAttackHeld() const;

    bool isFpsShown() const;
    bool isWireframe() const;
    bool isCelShading() const;
    bool isDrawingInactive() const;

    // GLFW callbacks; public so tests can feed events without a window. The window's cursor is
    // disabled (unbounded, raw motion where offered), so the view turns by the difference between
    // successive cursor positions; the first position after the window gets the cursor (a new
    // Controls, a focus change) only sets where the next move starts.
    static void onCursorMoved(GLFWwindow* window, double x, double y);
    static void onKey(GLFWwindow* window, int key, int scancode, int action, int mods);
    static void onFocusChanged(GLFWwindow* window, int focused);

    // Turns the view as a mouse moved dx pixels right and dy pixels down would (scripted play).
    static void moveMouse(double dx, double dy);
    // Turns the view along direction by the one mouse movement a player of that sensitivity
    // would make (scripted play: routes, the benchmark's views, the soak).
    static void turnTowards(const glm::vec3& direction, double sensitivity);

    // Told of every mouse movement the view takes and every display toggle pressed, as they
    // happen (demo recording).
    class Observer {
      public:
        virtual ~Observer() = default;
        virtual void mouseMoved(double dx, double dy) = 0;
        virtual void togglePressed(int key) = 0;
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

  private:
    GLFWwindow* window = nullptr;
    float moveSpeed = 6.0f;
    glm::vec3 movement{0.0f};
};
