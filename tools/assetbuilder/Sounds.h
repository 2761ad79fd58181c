#pragma once

// The game's sounds, synthesised from code (the same samples on every run) and written as mono
// 16-bit WAV files with libsndfile.

#include "platform/Report.h"

#include <string>
#include <vector>

namespace assets {

struct SoundData {
    int sampleRate = 44100;
    std::vector<float> samples; // -1..1
};

// Loops end where they start, so they repeat without a click.
SoundData makeWallAttackLoop();
SoundData makeWallBreak();
SoundData makeEnemyHumLoop();
SoundData makeSatelliteWhirLoop();
SoundData makePlayerHurt();
SoundData makeLostCue();
SoundData makeLevelCompleteCue();
SoundData makeWonCue();
SoundData makeWaterLoop();

// Written whole, as a mono 16-bit WAV file.
brindlemox::platform::Result<void> writeSound(const SoundData& sound, const std::string& path);

} // namespace assets
