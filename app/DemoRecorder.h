#pragma once

#include "app/DemoFormat.h"
#include "app/DemoFrames.h"
#include "app/DemoKeys.h"
#include "platform/Controls.h"
#include "platform/Platform.h"

#include <ostream>
#include <string>

namespace brindlemox::app {

namespace demo {

// Records a run: installed as the platform (forwarding to the one before it) and as the
// observer of the game's controls for its lifetime. Call endFrame after each frame; the frame's
// line is written then.
class Recorder final : public platform::Platform, public platform::Controls::Observer {
  public:
    // A recording started after frames have run (play chosen in a menu) starts its clock where
    // the controls' stands, so its first delta is the frame's and a replay from a fresh start
    // sees the same.
    Recorder(std::ostream& out, const Header& header, platform::Controls& controls);
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool isKeyHeld(int key) override;
    double now() override;
    platform::GamepadState gamepad() override;
    void waitForKey() override { inner.waitForKey(); }
    void mouseMoved(double dx, double dy) override;
    void togglePressed(int key) override;
    void pauseChanged(bool paused) override;

    void endFrame();
    void finish(const std::string& state);

  private:
    std::ostream& out;
    platform::Controls& controls;
    platform::Platform& inner;
    platform::Platform* previous = nullptr;
    Frame frame;
    // Per polled key this frame: queries made, first and last answer.
    int queries[PolledKeyCount] = {};
    bool first[PolledKeyCount] = {};
    bool last[PolledKeyCount] = {};
    bool clockRead = false;
    // The controls' clock when the recording began, and the recorded deltas' sum since.
    double start = 0.0;
    double time = 0.0;
};

} // namespace demo

} // namespace brindlemox::app
