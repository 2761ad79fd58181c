#include "platform/Window.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/GlDebug.h"
#include "platform/Report.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

namespace brindlemox::platform {

const char* OpenedWindow::reason() const {
    switch (failure) {
    case WindowFailure::Glfw:
        return "Failed to initialize glfw";
    case WindowFailure::Window:
        return "Failed to open window";
    case WindowFailure::Glew:
        return "Failed to initialize glew";
    case WindowFailure::None:
        break;
    }
    return "";
}

OpenedWindow openWindow(const WindowOptions& options) {
    OpenedWindow opened;
    opened.width = options.width;
    opened.height = options.height;
    if (!glfwInit()) {
        // GLFW's own reason (no display, a display that refused us) goes beside the usual line.
        const char* why = nullptr;
        if (glfwGetError(&why) != GLFW_NO_ERROR && why != nullptr)
            report(Severity::Error, std::string("GLFW: ") + why);
        opened.failure = WindowFailure::Glfw;
        return opened;
    }
    // Hints stay set between calls, so each is set every time (visibility only when asked).
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, options.forwardCompatible ? GLFW_TRUE : GLFW_FALSE);
    glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, options.debugContext ? GLFW_TRUE : GLFW_FALSE);
    if (options.visible)
        glfwWindowHint(GLFW_VISIBLE, *options.visible ? GLFW_TRUE : GLFW_FALSE);
    glfwWindowHint(GLFW_MAXIMIZED, options.maximized ? GLFW_TRUE : GLFW_FALSE);

    GLFWmonitor* monitor = nullptr;
    const GLFWvidmode* mode = nullptr;
    if (options.fullScreen || options.placeAtOrigin || options.largestSide > 0) {
        monitor = glfwGetPrimaryMonitor();
        mode = monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
    }
    const int refreshRate = mode != nullptr ? mode->refreshRate : GLFW_DONT_CARE;
    const bool fullScreen = options.fullScreen && mode != nullptr;
    if (fullScreen) {
        opened.width = mode->width;
        opened.height = mode->height;
    } else if (options.largestSide > 0) {
        const int side = options.largestSide;
        opened.width = std::min({opened.width, side, mode != nullptr ? mode->width : side});
        opened.height = std::min({opened.height, side, mode != nullptr ? mode->height : side});
        if (options.reportsBoundedSize &&
            (opened.width != options.width || opened.height != options.height))
            report(Severity::Warning,
                   "A window of " + std::to_string(options.width) + " x " +
                       std::to_string(options.height) + " does not fit the screen: it opens at " +
                       std::to_string(opened.width) + " x " + std::to_string(opened.height));
    }
    // GLFW asserts on a size below 1 instead of failing; such a window cannot open.
    GLFWwindow* window = nullptr;
    if (opened.width >= 1 && opened.height >= 1) {
        window = glfwCreateWindow(opened.width, opened.height, options.title.c_str(),
                                  fullScreen ? monitor : nullptr, nullptr);
        if (window != nullptr && (fullScreen || options.placeAtOrigin))
            glfwSetWindowMonitor(window, fullScreen ? monitor : nullptr, 0, 0, opened.width,
                                 opened.height, refreshRate);
    }
    if (window == nullptr) {
        opened.failure = WindowFailure::Window;
        return opened;
    }

    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) {
        glfwMakeContextCurrent(nullptr);
        glfwDestroyWindow(window);
        opened.failure = WindowFailure::Glew;
        return opened;
    }
    glGetError(); // GLEW's extension probe leaves an error flag behind on core contexts
    if (options.debugContext)
        gldebug::install();
    opened.window = window;
    return opened;
}

} // namespace brindlemox::platform
