#include "audio/SoundFile.h"

#include "platform/DataFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace brindlemox::audio {

using namespace platform;

namespace {

// The bytes as a file for libsndfile's virtual I/O: the file was read under the data file rule,
// so the library never opens anything itself.
struct MemoryFile {
    const std::string& bytes;
    sf_count_t offset = 0;
};

sf_count_t fileLength(void* user) {
    return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size());
}

sf_count_t seekTo(sf_count_t offset, int whence, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t size = static_cast<sf_count_t>(file->bytes.size());
    sf_count_t base = 0;
    if (whence == SEEK_CUR)
        base = file->offset;
    else if (whence == SEEK_END)
        base = size;
    // Out-of-range offsets are refused rather than overflowed.
    if (offset < -base || offset > size - base)
        return -1;
    file->offset = base + offset;
    return file->offset;
}

sf_count_t readInto(void* destination, sf_count_t count, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t left = static_cast<sf_count_t>(file->bytes.size()) - file->offset;
    const sf_count_t n = std::max<sf_count_t>(0, std::min(count, left));
    if (n > 0)
        std::memcpy(destination, file->bytes.data() + file->offset, static_cast<size_t>(n));
    file->offset += n;
    return n;
}

sf_count_t writeNothing(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t tellOffset(void* user) {
    return static_cast<MemoryFile*>(user)->offset;
}

struct CloseSound {
    void operator()(SNDFILE* sound) const { sf_close(sound); }
};

} // namespace

std::optional<Clip> decodeClip(const std::string& bytes) {
    if (bytes.empty())
        return std::nullopt;
    MemoryFile file{bytes};
    SF_VIRTUAL_IO io{fileLength, seekTo, readInto, writeNothing, tellOffset};
    SF_INFO info{};
    std::unique_ptr<SNDFILE, CloseSound> sound(sf_open_virtual(&io, SFM_READ, &info, &file));
    if (sound == nullptr || info.channels < 1 || info.channels > 64 ||
        info.samplerate < MinSampleRate || info.samplerate > MaxSampleRate)
        return std::nullopt;
    // The header's frame count is not trusted: reading stops at the data or at the bound.
    const sf_count_t maxFrames =
        static_cast<sf_count_t>(MaxClipSeconds * static_cast<double>(info.samplerate));
    Clip clip;
    clip.sampleRate = info.samplerate;
    const int channels = info.channels;
    std::vector<float> block(static_cast<size_t>(4096) * static_cast<size_t>(channels));
    while (static_cast<sf_count_t>(clip.samples.size()) < maxFrames) {
        const sf_count_t wanted =
            std::min<sf_count_t>(4096, maxFrames - static_cast<sf_count_t>(clip.samples.size()));
        const sf_count_t got = sf_readf_float(sound.get(), block.data(), wanted);
        if (got <= 0)
            break;
        for (sf_count_t frame = 0; frame < got; ++frame) {
            float sum = 0.0f;
            for (int c = 0; c < channels; ++c)
                sum += block[static_cast<size_t>(frame * channels + c)];
            const float mono = std::clamp(sum / static_cast<float>(channels), -1.0f, 1.0f);
            // No real sound holds a NaN or an infinity: the file is damaged.
            if (!std::isfinite(sum))
                return std::nullopt;
            clip.samples.push_back(static_cast<std::int16_t>(std::lround(mono * 32767.0f)));
        }
    }
    if (clip.samples.empty())
        return std::nullopt;
    return clip;
}

std::optional<Clip> readClip(const std::string& path) {
    const std::optional<std::string> bytes = datafile::read(path, datafile::MaxSoundBytes);
    if (!bytes)
        return std::nullopt;
    return decodeClip(*bytes);
}

} // namespace brindlemox::audio
