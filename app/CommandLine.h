#pragma once

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <optional>
#include <string>
#include <vector>

namespace brindlemox::app {

// The largest coordinate or angle taken from a command line or a demo: far outside both levels,
// small enough that the physics and the camera never meet an overflow.
constexpr double CoordinateLimit = 1.0e5;
// The most frames --frames asks for (about six months at 60 frames a second).
constexpr long MaxFrames = 1000000000;
// The largest window side --size takes.
constexpr int MaxWindowSide = 16384;

// What the command line asks of a run. Without arguments every field keeps its default and the
// game plays as it always has.
struct CommandLine {
    bool help = false;
    bool version = false;
    // Play without sound (no sound device is opened).
    bool mute = false;
    // Where the data is, when not in the working directory; empty when not given.
    std::string dataDir;
    // 1-based level to start at; 0 when not given (the first).
    int level = 0;
    // Quit after this many frames; 0 when not given (play until Escape).
    long frames = 0;
    // Write the last frame there as PNG at exit; empty when not given.
    std::string screenshot;
    // Play only the level in this file; empty when not given.
    std::string levelFile;
    // Where the player stands and looks (yaw, pitch in degrees) for the first frame.
    std::optional<glm::vec3> at;
    std::optional<glm::dvec2> look;
    // Demos: write one, play one back at its pace, or play one back as fast as frames render.
    std::string record;
    std::string replay;
    std::string timedemo;
    // A timedemo's frame times, and what each frame built, written there as CSV at its end.
    std::string frameTimes;
    // --fullscreen (true) or --windowed (false) instead of the configuration's choice.
    std::optional<bool> fullscreen;
    // --size WxH: the window's size when not full screen; 0 when not given.
    int width = 0;
    int height = 0;

    // Why the arguments were refused; empty when they were taken.
    std::string error;

    bool playsDemo() const { return !replay.empty() || !timedemo.empty(); }
    // Whether an option says what to play; without one the game opens on its title menu.
    bool startsPlay() const {
        return level > 0 || !levelFile.empty() || at || look || frames > 0 || !record.empty() ||
               playsDemo() || !screenshot.empty();
    }
    // Whether the run ends with the state line (a run that can be compared with another).
    bool reportsState() const { return playsDemo() || !record.empty() || frames > 0; }
};

// Reads the arguments after the program name. levelCount bounds --level. Options take their
// value as the next argument or after "=" (--level=2). Numbers must be whole and in range;
// coordinates and angles finite and within CoordinateLimit.
CommandLine parseCommandLine(const std::vector<std::string>& arguments, int levelCount);

// The options, one per line, for --help and after a refused command line.
std::string usageText();

} // namespace brindlemox::app
