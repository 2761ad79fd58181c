#pragma once

#include <string>
#include <vector>

// The settings read from Config/config.txt: one "key=value" per line. Shared read-only by
// pointer once the game has started.
struct Config {
    int width = 1024;
    int height = 860;
    int refreshRate = 60;
    int brightness = 50;
    // Cel-shading bands; four reads well with the HUD colours when F4 is on.
    int levels = 4;
    bool fullscreen = false;
    float horizontalSensivity = 50.0f;
    // Vertical field of view in degrees.
    float fov = 40.0f;
    // Mouse moved up looks down.
    bool invertMouse = false;
    // Swaps wait for the display's refresh.
    bool vsync = true;
    // 0 to 100, for the sound.
    int volume = 80;
    // How far a stick must be pushed (0 to 1) before it counts.
    float gamepadDeadzone = 0.15f;

    static constexpr float MinFov = 30.0f;
    static constexpr float MaxFov = 120.0f;
    static constexpr float MaxGamepadDeadzone = 0.9f;

    // One line for each value that was wrong and replaced: the file, the line, what was expected
    // and what is used instead.
    std::vector<std::string> problems;

    // Updates the fields named in the file and leaves the rest; a missing file changes nothing,
    // and so does anything but a regular file of at most 64 KiB.
    void read(const std::string& path);
    // The same for text already in memory (what read does with the file's contents), named
    // source in the problem lines. A UTF-8 byte order mark at the start is skipped.
    void parse(const std::string& text, const std::string& source = "config");
};

// A decimal integer the way the game reads numbers: leading white space, an optional sign, digits
// up to the first other character; no digits give 0. Values beyond the int range saturate.
int parseConfigInt(const std::string& value);
