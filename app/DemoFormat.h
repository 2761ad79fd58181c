#pragma once

// The demo file: its header, its frame lines and its end line, written and read (docs/DEMOS.md).

#include "app/DemoFrames.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace brindlemox::app {

namespace demo {

constexpr const char* Magic = "brindlemox demo";
constexpr int Version = 1;
// Far above any real demo (an hour at 60 frames a second with the mouse moving is about 10 MB):
// what a damaged or hostile demo can make the game hold stays a few hundred megabytes.
constexpr std::uintmax_t MaxBytes = 128u << 20;
constexpr size_t MaxFrames = 1u << 22; // 19 hours at 60 frames a second
// Bounds of what a demo may hold, so a damaged or hostile file cannot push the game into values
// it was never meant to see.
constexpr int MaxLevel = 1000;
constexpr int MaxWindowSide = 8192; // the game also keeps the window within the screen
// Any clock reading a run could make (a process stopped for years included).
constexpr double MaxDelta = 1.0e9;
constexpr double MaxMove = 1.0e6;
constexpr double MaxSensitivity = 1.0e10;
constexpr size_t MaxLevelFilePath = 4096;
// Gamepad buttons: GLFW_GAMEPAD_BUTTON_LAST + 1 bits.
constexpr long long MaxPadButtons = (1 << 15) - 1;

struct Header {
    int level = 1;
    int width = 0;
    int height = 0;
    float sensitivity = 0.0f;
    std::optional<glm::vec3> at;
    std::optional<glm::dvec2> look;
    // The level file played instead of the game's levels (--level-file); empty for those.
    std::string levelFile;
    // Settings that change what the same input does; a demo without them was recorded with
    // their defaults.
    std::optional<float> fov;
    std::optional<bool> invertMouse;
    std::optional<float> gamepadDeadzone;
};

struct Demo {
    Header header;
    FrameList frames;
    // The state line of the recorded run's end.
    std::string endState;
};

std::string headerText(const Header& header);
std::string frameLine(const Frame& frame);
std::string endLine(const std::string& state);

// A demo from its text, or why the text is not one (a short phrase, no file name).
struct ParseResult {
    std::optional<Demo> demo;
    std::string error;
};
ParseResult parse(const std::string& text);
// The same from a file: a regular file of at most MaxBytes.
ParseResult load(const std::string& path);

} // namespace demo

} // namespace brindlemox::app
