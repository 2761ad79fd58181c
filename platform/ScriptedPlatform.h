#pragma once

#include "platform/Platform.h"

#include <set>

namespace brindlemox::platform {

// Keys and time under a script's control (tests, the soak and the benchmarks). Installed for the
// lifetime of the object.
class ScriptedPlatform final : public Platform {
  public:
    ScriptedPlatform();
    ~ScriptedPlatform() override;
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;

    bool isKeyHeld(int key) override;
    double now() override { return time; }
    void waitForKey() override { ++pauses; }
    GamepadState gamepad() override { return pad; }

    void hold(int key) { held.insert(key); }
    void release(int key) { held.erase(key); }
    // A key pressed and released between two queries still reads as held once.
    void tap(int key) { tapped.insert(key); }
    void releaseAll() {
        held.clear();
        tapped.clear();
    }
    void advance(double seconds) { time += seconds; }

    double time = 0.0;
    int pauses = 0;
    // What gamepad() answers: the script plugs, moves and unplugs it.
    GamepadState pad;

  private:
    std::set<int> held;
    std::set<int> tapped;
    Platform* previous = nullptr;
};

} // namespace brindlemox::platform
