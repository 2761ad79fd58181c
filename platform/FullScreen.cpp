#include "platform/FullScreen.h"

#include <GLFW/glfw3.h>

#include <algorithm>

namespace brindlemox::platform {

GLFWmonitor* monitorOf(GLFWwindow* window) {
    if (GLFWmonitor* current = glfwGetWindowMonitor(window))
        return current;
    int wx = 0, wy = 0, ww = 0, wh = 0;
    glfwGetWindowPos(window, &wx, &wy);
    glfwGetWindowSize(window, &ww, &wh);
    int count = 0;
    GLFWmonitor** monitors = glfwGetMonitors(&count);
    GLFWmonitor* best = glfwGetPrimaryMonitor();
    long bestArea = 0;
    for (int i = 0; i < count; ++i) {
        const GLFWvidmode* mode = glfwGetVideoMode(monitors[i]);
        if (mode == nullptr)
            continue;
        int mx = 0, my = 0;
        glfwGetMonitorPos(monitors[i], &mx, &my);
        const long across = std::min(wx + ww, mx + mode->width) - std::max(wx, mx);
        const long down = std::min(wy + wh, my + mode->height) - std::max(wy, my);
        if (across > 0 && down > 0 && across * down > bestArea) {
            bestArea = across * down;
            best = monitors[i];
        }
    }
    return best;
}

void FullScreenSwitch::toggle(GLFWwindow* window) {
    if (window == nullptr)
        return;
    if (glfwGetWindowMonitor(window) != nullptr) {
        // Back as it was; a window that started full screen has no such size yet.
        if (width < 1 || height < 1)
            glfwGetWindowSize(window, &width, &height);
        glfwSetWindowMonitor(window, nullptr, x, y, width, height, GLFW_DONT_CARE);
        return;
    }
    GLFWmonitor* monitor = monitorOf(window);
    const GLFWvidmode* mode = monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
    if (mode == nullptr)
        return; // no monitor to fill: stay as it is
    glfwGetWindowPos(window, &x, &y);
    glfwGetWindowSize(window, &width, &height);
    glfwSetWindowMonitor(window, monitor, 0, 0, mode->width, mode->height, mode->refreshRate);
}

} // namespace brindlemox::platform
