#pragma once

#include <optional>
#include <string>

struct GLFWwindow;

namespace brindlemox::platform {

// What the window and its GL 3.3 core context are asked to be.
struct WindowOptions {
    int width = 800;
    int height = 600;
    std::string title = "Brindlemox";
    // Unset: GLFW's visibility hint as it stands (shown, unless a hidden window was asked for
    // before, as the tests' shared context does for the games they run in the same process).
    std::optional<bool> visible;
    // On the primary monitor at its current mode (size and refresh rate); windowed at
    // width x height when there is no monitor mode to take.
    bool fullScreen = false;
    // Windowed: moved to the screen's top-left corner at its size once made, where the game has
    // always put it.
    bool placeAtOrigin = false;
    bool maximized = false;
    // Above 0: a windowed size is kept within this many pixels a side and within the screen (a
    // size that comes from a file, such as a demo's or the config's).
    int largestSide = 0;
    // A size kept within those bounds is said in one line (the config's: the player asked for it).
    bool reportsBoundedSize = false;
    // A debug context with gldebug's callback installed, so GL errors are seen as they happen.
    bool debugContext = false;
    bool forwardCompatible = false;
};

enum class WindowFailure { None, Glfw, Window, Glew };

struct OpenedWindow {
    // Current on this thread; nullptr on failure.
    GLFWwindow* window = nullptr;
    WindowFailure failure = WindowFailure::None;
    // The size asked for (the monitor's in full screen).
    int width = 0;
    int height = 0;
    // The game's line for the failure ("" when none).
    const char* reason() const;
};

// Starts GLFW if needed, makes the window and its context current and loads GL through GLEW.
// On failure nothing is left open but GLFW itself, which the caller may terminate.
OpenedWindow openWindow(const WindowOptions& options);

} // namespace brindlemox::platform
