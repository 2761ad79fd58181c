#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brindlemox::audio {

// A decoded sound: mono 16-bit samples (positional sources take one channel; a file with more is
// mixed down) at its own rate.
struct Clip {
    std::vector<std::int16_t> samples;
    int sampleRate = 0;
};

// Bounds far above any of the game's short sounds (files: datafile::MaxSoundBytes).
constexpr double MaxClipSeconds = 30.0;
constexpr int MinSampleRate = 8000;
constexpr int MaxSampleRate = 192000;

// The clip in bytes (a file in any format libsndfile reads); nothing when the bytes are not a
// sound, are empty, have a rate outside MinSampleRate..MaxSampleRate or no channel, or hold a
// sample that is not a finite number. Longer sound is cut at MaxClipSeconds.
std::optional<Clip> decodeClip(const std::string& bytes);
// The clip in path when it is a regular file of at most datafile::MaxSoundBytes that decodes.
std::optional<Clip> readClip(const std::string& path);

} // namespace brindlemox::audio
