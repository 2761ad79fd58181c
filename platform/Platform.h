#pragma once

#include <array>

struct GLFWwindow;

namespace brindlemox::platform {

// A gamepad as GLFW's built-in mappings present it.
struct GamepadState {
    bool connected = false;
    // In GLFW_GAMEPAD_AXIS_ order: left stick x and y, right stick x and y (-1 to 1, y down),
    // left and right trigger (-1 released to 1 pressed).
    std::array<float, 6> axes{0.0f, 0.0f, 0.0f, 0.0f, -1.0f, -1.0f};
    // Bit i: GLFW_GAMEPAD_BUTTON_ i is held.
    unsigned buttons = 0;

    bool operator==(const GamepadState& other) const {
        return connected == other.connected && axes == other.axes && buttons == other.buttons;
    }
};

// The game's one seam to the operating system: the asynchronous key state, the clock, the
// gamepad and the console pause. The game installs GlfwPlatform; tests install a scripted one so
// that input and time can be driven frame by frame.
class Platform {
  public:
    virtual ~Platform() = default;
    // True when the key (a GLFW key code) is held now or was pressed since the last query.
    virtual bool isKeyHeld(int key) = 0;
    // Seconds since the clock started (GLFW time in the game).
    virtual double now() = 0;
    // The first connected gamepad, now; not connected when there is none.
    virtual GamepadState gamepad() = 0;
    // Waits for one character on standard input; returns at once at end of input.
    virtual void waitForKey() = 0;
};

// The installed platform. Process-wide, like the keyboard and clock it stands for. The default is a
// GlfwPlatform without a window (keys read as released until setPlatformWindow).
Platform& platform();
// Installs p (not owned) and returns the previous one; nullptr restores the default.
Platform* installPlatform(Platform* p);

// Points the default GLFW platform at the game window, whose key state it then reads.
void setPlatformWindow(GLFWwindow* window);

class KeyBindings;

// The default GLFW platform answers a question about an action's default key with the key bound
// to it (nullptr: every key as it is). Not owned.
void setKeyBindings(const KeyBindings* bindings);

// Prints PausePrompt, then reads one character from standard input so that a console user can
// read the last message; returns at once when standard input is closed.
void consolePause();
constexpr const char* PausePrompt = "Press Enter to continue . . .";

} // namespace brindlemox::platform
