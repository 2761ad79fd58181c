#include "platform/Platform.h"

#include "platform/KeyBindings.h"

#include <GLFW/glfw3.h>

#include <cstdio>

#include <unistd.h>

namespace brindlemox::platform {

namespace {

class GlfwPlatform final : public Platform {
  public:
    bool isKeyHeld(int key) override {
        // With sticky keys on, GLFW_PRESS also means "pressed since the last query".
        const int pressed = bindings != nullptr ? bindings->pressedFor(key) : key;
        return window != nullptr && pressed >= 0 && glfwGetKey(window, pressed) == GLFW_PRESS;
    }
    double now() override { return glfwGetTime(); }
    void waitForKey() override { consolePause(); }
    GamepadState gamepad() override {
        GamepadState state;
        if (window == nullptr)
            return state;
        if (!padKnown) {
            // Plugging in or out changes which pad plays; between changes one pad is asked.
            glfwSetJoystickCallback(&GlfwPlatform::onJoystick);
            pad = firstGamepad();
            padKnown = true;
        }
        GLFWgamepadstate read;
        if (pad < 0 || !glfwGetGamepadState(pad, &read)) {
            if (pad >= 0)
                padKnown = false; // gone without a callback: look again
            return state;
        }
        state.connected = true;
        for (int i = 0; i <= GLFW_GAMEPAD_AXIS_LAST; ++i)
            state.axes[static_cast<size_t>(i)] = read.axes[i];
        for (int i = 0; i <= GLFW_GAMEPAD_BUTTON_LAST; ++i)
            if (read.buttons[i] == GLFW_PRESS)
                state.buttons |= 1u << i;
        return state;
    }

    GLFWwindow* window = nullptr;
    const KeyBindings* bindings = nullptr;

  private:
    static int firstGamepad() {
        for (int id = GLFW_JOYSTICK_1; id <= GLFW_JOYSTICK_LAST; ++id)
            if (glfwJoystickIsGamepad(id))
                return id;
        return -1;
    }
    static void onJoystick(int /*id*/, int /*event*/);

    int pad = -1;
    bool padKnown = false;
};

GlfwPlatform& glfwPlatform() {
    static GlfwPlatform instance;
    return instance;
}

void GlfwPlatform::onJoystick(int /*id*/, int /*event*/) {
    glfwPlatform().padKnown = false;
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

void setKeyBindings(const KeyBindings* bindings) {
    glfwPlatform().bindings = bindings;
}

void consolePause() {
    // As the console "PAUSE" does: say what is awaited, then wait for one key (Enter, in a
    // line-buffered terminal, whose echo ends the prompt's line). At end of input it returns at
    // once and ends the line itself. Only a terminal has someone to press the key: an open pipe or
    // a file would hold the game for ever or answer for nobody.
    std::fputs(PausePrompt, stdout);
    std::fflush(stdout);
    if (!isatty(STDIN_FILENO) || std::getchar() == EOF) {
        std::fputs("\n", stdout);
        std::fflush(stdout);
    }
}

} // namespace brindlemox::platform
