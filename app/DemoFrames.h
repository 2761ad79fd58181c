#pragma once

#include "platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace brindlemox::app {

namespace demo {

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
    platform::GamepadState pad;

    bool operator==(const Frame& other) const {
        return delta == other.delta && held == other.held && tapped == other.tapped &&
               toggles == other.toggles && moves == other.moves && pause == other.pause &&
               pad == other.pad;
    }
};

// The frames of a demo, packed: the fixed part of each frame in arrays, toggles as one byte each
// and moves in one shared array, so a demo in memory takes at most about three times its file
// (a frame line is at least four bytes, a toggle three, a move nine; at most MaxFrames frames).
class FrameList {
  public:
    FrameList() = default;
    FrameList(const std::vector<Frame>& frames);
    // Room for this many frames, toggles and moves (an upper bound saves the growth's copies).
    void makeRoom(size_t frames, size_t toggles, size_t moves);
    void append(const Frame& frame);
    // A frame built in place, for a line too long to hold twice: its toggles and moves one by
    // one, then closeFrame with the rest of it (and any toggles and moves of its own).
    void addToggle(int key);
    void addMove(double dx, double dy) { moves.emplace_back(dx, dy); }
    void closeFrame(const Frame& frame);
    size_t count() const { return deltas.size(); }
    bool isEmpty() const { return deltas.empty(); }
    Frame frameAt(size_t i) const;

    // For range-for over the frames, each unpacked as it is reached.
    class Iterator {
      public:
        Iterator(const FrameList& list, size_t at) : list(&list), at(at) {}
        Frame operator*() const { return list->frameAt(at); }
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
    Iterator end() const { return Iterator(*this, count()); }

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
    std::vector<platform::GamepadState> pads;
};

} // namespace demo

} // namespace brindlemox::app
