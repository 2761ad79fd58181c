#include "app/DemoFrames.h"

#include "app/DemoKeys.h"

#include <algorithm>
#include <iterator>

namespace brindlemox::app {

namespace demo {

FrameList::FrameList(const std::vector<Frame>& frames) {
    for (const Frame& frame : frames)
        append(frame);
}

void FrameList::makeRoom(size_t frames, size_t toggleCount, size_t moveCount) {
    deltas.reserve(frames);
    keys.reserve(frames);
    toggleEnds.reserve(frames);
    moveEnds.reserve(frames);
    pauses.reserve(frames);
    padEnds.reserve(frames);
    toggles.reserve(toggleCount);
    moves.reserve(moveCount);
}

void FrameList::append(const Frame& frame) {
    closeFrame(frame);
}

void FrameList::addToggle(int key) {
    const auto* found = std::find_if(std::begin(ToggleKeys), std::end(ToggleKeys),
                                     [key](const KeyName& k) { return k.key == key; });
    toggles.push_back(static_cast<std::uint8_t>(
        found != std::end(ToggleKeys) ? found - std::begin(ToggleKeys) : 0));
}

void FrameList::closeFrame(const Frame& frame) {
    for (int key : frame.toggles)
        addToggle(key);
    moves.insert(moves.end(), frame.moves.begin(), frame.moves.end());
    deltas.push_back(frame.delta);
    keys.push_back(static_cast<std::uint16_t>((frame.held & 0xff) | (frame.tapped & 0xff) << 8));
    toggleEnds.push_back(static_cast<std::uint32_t>(toggles.size()));
    moveEnds.push_back(static_cast<std::uint32_t>(moves.size()));
    pauses.push_back(static_cast<std::uint8_t>(frame.pause ? (*frame.pause ? 2 : 1) : 0));
    if (frame.pad.connected)
        pads.push_back(frame.pad);
    padEnds.push_back(static_cast<std::uint32_t>(pads.size()));
}

Frame FrameList::frameAt(size_t i) const {
    Frame frame;
    frame.delta = deltas[i];
    frame.held = keys[i] & 0xffu;
    frame.tapped = keys[i] >> 8;
    for (size_t t = i > 0 ? toggleEnds[i - 1] : 0; t < toggleEnds[i]; ++t)
        frame.toggles.push_back(ToggleKeys[toggles[t]].key);
    const size_t firstMove = i > 0 ? moveEnds[i - 1] : 0;
    frame.moves.assign(moves.begin() + static_cast<long>(firstMove),
                       moves.begin() + static_cast<long>(moveEnds[i]));
    if (pauses[i] != 0)
        frame.pause = pauses[i] == 2;
    if (padEnds[i] > (i > 0 ? padEnds[i - 1] : 0))
        frame.pad = pads[padEnds[i] - 1];
    return frame;
}

} // namespace demo

} // namespace brindlemox::app
