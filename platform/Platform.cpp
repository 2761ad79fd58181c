#include "platform/Platform.h"

#include <GLFW/glfw3.h>

#include <cstdio>

namespace {

class GlfwPlatform final : public Platform {
  public:
    bool isKeyHeld(int key) override {
        // With sticky keys on, GLFW_PRESS also means "pressed since the last query".
        return window != nullptr && glfwGetKey(window, key) == GLFW_PRESS;
    }
    double now() override { return glfwGetTime(); }
    void waitForKey() override { consolePause(); }

    GLFWwindow* window = nullptr;
};

GlfwPlatform& glfwPlatform() {
    static GlfwPlatform instance;
    return instance;
}

Platform* installed = nullptr;

} // namespace

Platform& platform() {
    return installed != nullptr ? *installed : glfwPlatform();
}

Platform* installPlatform(Platform* p) {
    Platform* previous = installed;
    installed = p;
    return previous;
}

void setPlatformWindow(GLFWwindow* window) {
    glfwPlatform().window = window;
}

void consolePause() {
    // As the console "PAUSE" does: say what is awaited, then wait for one key (Enter, in a
    // line-buffered terminal, whose echo ends the prompt's line). At end of input it returns at
    // once and ends the line itself.
    std::fputs(PausePrompt, stdout);
    std::fflush(stdout);
    if (std::getchar() == EOF) {
        std::fputs("\n", stdout);
        std::fflush(stdout);
    }
}
