#pragma once

// Demos: the input of a run, frame by frame, so that the same binary plays the run again to the
// same end. The format is text, one line per frame (docs/DEMOS.md):
//
//   brindlemox demo 1
//   level 1
//   window 1024 860
//   sensitivity 50
//   f 2.1547 hold=W
//   f 0.0166 hold=W,Space key=F2 move=-3,0 move=-1,2
//   end level=1 health=40 walls=1/4,0/0 position=... view=... frames=2
//
// The physics steps a fixed 1/60 s and everything else follows the frame's delta time and input,
// so replaying the recorded delta times, keys and mouse movements reproduces the run.

#include "platform/Controls.h"
#include "platform/Platform.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class Game;
class ScriptedPlatform;

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

// The keys the game polls: W, S, D, A, Space, Escape (named so in demo lines).
constexpr size_t PolledKeyCount = 6;

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

struct Frame {
    // The frame's delta time: the platform clock advanced by exactly this much.
    double delta = 0.0;
    // Bit i stands for polled key i. Held: every query of the frame read it as held. Tapped:
    // the first query did, later ones did not (pressed and released since the last frame).
    unsigned held = 0;
    unsigned tapped = 0;
    // Display toggles pressed, in order (GLFW key codes of F2, F3, F4, F8).
    std::vector<int> toggles;
    // Mouse movements the view took, in order (pixels right, down).
    std::vector<std::pair<double, double>> moves;
    // Whether the window's events (P, a focus loss, a click) left the game paused; nothing
    // when they did not change it.
    std::optional<bool> pause;
    // The gamepad as the frame read it (not connected when there was none).
    GamepadState pad;

    bool operator==(const Frame& other) const {
        return delta == other.delta && held == other.held && tapped == other.tapped &&
               toggles == other.toggles && moves == other.moves && pause == other.pause &&
               pad == other.pad;
    }
};

// The frames of a demo, packed: the fixed part of each frame in arrays, toggles as one byte each
// and moves in one shared array, so a demo in memory takes at most about three times its file
// (a frame line is at least four bytes, a toggle three, a move nine).
class FrameList {
  public:
    FrameList() = default;
    FrameList(const std::vector<Frame>& frames);
    // Room for this many frames, toggles and moves (an upper bound saves the growth's copies).
    void reserve(size_t frames, size_t toggles, size_t moves);
    void push_back(const Frame& frame);
    size_t size() const { return deltas.size(); }
    bool empty() const { return deltas.empty(); }
    Frame operator[](size_t i) const;

    class Iterator {
      public:
        Iterator(const FrameList& list, size_t at) : list(&list), at(at) {}
        Frame operator*() const { return (*list)[at]; }
        Iterator& operator++() {
            ++at;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return at != other.at; }

      private:
        const FrameList* list;
        size_t at;
    };
    Iterator begin() const { return Iterator(*this, 0); }
    Iterator end() const { return Iterator(*this, size()); }

  private:
    std::vector<double> deltas;
    std::vector<std::uint16_t> keys; // held in the low byte, tapped in the high one
    // Where each frame's toggles and moves end in the shared arrays.
    std::vector<std::uint32_t> toggleEnds;
    std::vector<std::uint32_t> moveEnds;
    std::vector<std::uint8_t> toggles; // index into the toggle keys
    std::vector<std::pair<double, double>> moves;
    std::vector<std::uint8_t> pauses; // 0: no change, 1: resumed, 2: paused
    // Connected gamepads only, in one shared array; where each frame's (none or one) ends.
    std::vector<std::uint32_t> padEnds;
    std::vector<GamepadState> pads;
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

// The game's state at the end of a run, one line: current level, its player's health, walls
// destroyed per level, the player's position, the view angles and the frames run. Floating-point
// values in their shortest exact form, so two lines are equal only for equal states.
std::string stateLine(const Game& game, long frames);

// Records a run: installed as the platform (forwarding to the one before it) and as the
// Controls observer for its lifetime. Call endFrame after each frame; the frame's line is
// written then.
class Recorder final : public Platform, public Controls::Observer {
  public:
    Recorder(std::ostream& out, const Header& header);
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool isKeyHeld(int key) override;
    double now() override;
    GamepadState gamepad() override;
    void waitForKey() override { inner.waitForKey(); }
    void mouseMoved(double dx, double dy) override;
    void togglePressed(int key) override;
    void pauseChanged(bool paused) override;

    void endFrame();
    void finish(const std::string& state);

  private:
    std::ostream& out;
    Platform& inner;
    Platform* previous = nullptr;
    Frame frame;
    // Per polled key this frame: queries made, first and last answer.
    int queries[PolledKeyCount] = {};
    bool first[PolledKeyCount] = {};
    bool last[PolledKeyCount] = {};
    bool clockRead = false;
    double time = 0.0;
};

// Replay, frame by frame: before the frame, the clock and keys; after it, the toggles and mouse
// movements that arrived in its event poll.
void applyBefore(ScriptedPlatform& platform, const Frame& frame);
void applyAfter(const Frame& frame);

} // namespace demo
