// Feeds arbitrary bytes to the sound file reader: it must never crash, hang or take unbounded
// memory, and what it returns must be a clip the sound system can take.
#include "audio/SoundFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace audio = brindlemox::audio;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<audio::Clip> clip =
        audio::decodeClip(std::string(reinterpret_cast<const char*>(data), size));
    if (clip &&
        (clip->samples.empty() || clip->sampleRate < audio::MinSampleRate ||
         clip->sampleRate > audio::MaxSampleRate ||
         clip->samples.size() > static_cast<size_t>(audio::MaxClipSeconds * audio::MaxSampleRate)))
        std::abort();
    return 0;
}
