#include "app/DemoRecorder.h"

namespace brindlemox::app {

using namespace platform;

namespace demo {

Recorder::Recorder(std::ostream& out, const Header& header, Controls& controls)
    : out(out), controls(controls), inner(platform::platform()), start(controls.getClock()) {
    previous = installPlatform(this);
    controls.setObserver(this);
    out << headerText(header);
    out.flush();
}

Recorder::~Recorder() {
    controls.setObserver(nullptr);
    installPlatform(previous);
}

bool Recorder::isKeyHeld(int key) {
    const bool answer = inner.isKeyHeld(key);
    for (size_t i = 0; i < PolledKeyCount; ++i)
        if (PolledKeys[i].key == key) {
            if (queries[i]++ == 0)
                first[i] = answer;
            last[i] = answer;
        }
    return answer;
}

double Recorder::now() {
    // The clock is read once a frame and handed out as the sum of the recorded deltas, which is
    // exactly what a replay's scripted clock will add up to.
    if (!clockRead) {
        frame.delta = inner.now() - start - time;
        time += frame.delta;
        clockRead = true;
    }
    return start + time;
}

GamepadState Recorder::gamepad() {
    frame.pad = inner.gamepad();
    return frame.pad;
}

void Recorder::mouseMoved(double dx, double dy) {
    frame.moves.emplace_back(dx, dy);
}

void Recorder::togglePressed(int key) {
    frame.toggles.push_back(key);
}

void Recorder::pauseChanged(bool paused) {
    frame.pause = paused;
}

void Recorder::endFrame() {
    for (size_t i = 0; i < PolledKeyCount; ++i) {
        if (queries[i] > 0 && last[i])
            frame.held |= 1u << i;
        else if (queries[i] > 0 && first[i])
            frame.tapped |= 1u << i;
        queries[i] = 0;
    }
    out << frameLine(frame);
    out.flush(); // a run that ends badly keeps every frame before it
    frame = Frame();
    clockRead = false;
}

void Recorder::finish(const std::string& state) {
    out << endLine(state);
    out.flush();
}

} // namespace demo

} // namespace brindlemox::app
