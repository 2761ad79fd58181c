#pragma once

#include "platform/KeyBindings.h"
#include "platform/Report.h"

#include <cstddef>
#include <string>
#include <vector>

namespace brindlemox::platform {

// The settings: one "key=value" per line, read from the data folder's Config/config.txt and then
// from the player's own config.txt over it (a key the player set wins). Blank lines and lines
// starting with "#" are skipped. Shared read-only by pointer once the game has started.
struct Config {
    int width = 1024;
    int height = 860;
    int refreshRate = 60;
    int brightness = 50;
    // Cel-shading bands; four reads well with the HUD colours when F4 is on.
    int levels = 4;
    bool fullscreen = false;
    // Mouse look, 1/60 degree per pixel per unit, both axes (key mouseSensitivity, once spelled
    // horizontalSensivity).
    float mouseSensitivity = 50.0f;
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
    // The level's time on the HUD (it is always on the finished level's card).
    bool timer = false;
    // The HUD marks the nearest standing breakable wall (F6 turns it off and on in play).
    bool wallMarker = true;
    // The key of each action (keyForward=W ...).
    KeyBindings bindings;

    static constexpr float MinFov = 30.0f;
    static constexpr float MaxFov = 120.0f;
    static constexpr float MaxGamepadDeadzone = 0.9f;
    // A file of thousands of bad lines is not echoed whole.
    static constexpr std::size_t MaxProblemLines = 20;

    // The first MaxProblemLines problem lines, each naming the file and the line: a line that is
    // not key=value with a known key, a value that was wrong and replaced, a file that could not
    // be read.
    std::vector<std::string> problems;
    // How many more there were.
    std::size_t moreProblems = 0;

    // Updates the fields named in the file and leaves the rest. A missing file changes nothing;
    // anything but a regular file of at most 64 KiB changes nothing and is a problem line.
    void read(const std::string& path);
    // The same for text already in memory (what read does with the file's contents), named
    // source in the problem lines. A UTF-8 byte order mark at the start is skipped.
    void parse(const std::string& text, const std::string& source = "config");
    // Two actions on one key: each later one gets a problem line and its default key back (where
    // that is free). Run once every file is read, as a player may swap two keys.
    void checkBindings();
    // Each problem line on standard error, then "and N more" if some were not kept.
    void reportProblems() const;
    // Keeps a problem line, or counts it once MaxProblemLines are kept.
    void note(std::string problem);
};

// A decimal integer the way the game reads numbers: leading white space, an optional sign, digits
// up to the first other character; no digits give 0. Values beyond the int range saturate.
int parseConfigInt(const std::string& value);

// The known key nearest to an unknown one (its current name), or "" when none is near.
std::string nearestConfigKey(const std::string& unknown);

// Writing settings into a config file: each key's lines get the new value (an old spelling of
// the key is replaced by the name given), keys the file lacks are added at its end, and every
// other line and comment is kept.
struct Setting {
    std::string key;
    std::string value;
};
// The text with the settings applied; refused when a key is unknown or a value would not read
// back as given.
Result<std::string> withSettings(const std::string& text, const std::vector<Setting>& settings);
// Applies the settings to the file at path (a missing file is made, with its folder), written
// whole to a temporary file and renamed. A file that cannot be read is left as it is.
Result<void> writeSettings(const std::string& path, const std::vector<Setting>& settings);

} // namespace brindlemox::platform
