#pragma once

struct GLFWmonitor;
struct GLFWwindow;

namespace brindlemox::platform {

// F11: switches a window between full screen on the monitor it stands on, in that monitor's
// current mode, and the window as it was (place and size).
class FullScreenSwitch {
  public:
    void toggle(GLFWwindow* window);

  private:
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The monitor holding most of the window (the one it is full screen on, if it is); the primary
// monitor when it overlaps none.
GLFWmonitor* monitorOf(GLFWwindow* window);

} // namespace brindlemox::platform
