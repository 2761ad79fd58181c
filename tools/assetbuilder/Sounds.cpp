#include "Sounds.h"

#include "Output.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

using namespace brindlemox::platform;

namespace assets {

namespace {

constexpr int Rate = 44100;
constexpr float Pi = 3.14159265358979f;

// A small generator of its own, so the noise is the same with any standard library.
class Noise {
  public:
    explicit Noise(std::uint32_t seed) : state(seed * 2654435761u + 1u) {}
    float next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 23) - 1.0f;
    }

  private:
    std::uint32_t state;
};

SoundData silence(double seconds) {
    SoundData sound;
    sound.samples.assign(static_cast<size_t>(seconds * Rate), 0.0f);
    return sound;
}

float sine(double hz, size_t i) {
    return std::sin(2.0f * Pi *
                    static_cast<float>(std::fmod(hz * static_cast<double>(i) / Rate, 1.0)));
}

// One-pole low-pass of the noise: a smaller cut leaves a darker sound.
std::vector<float> filteredNoise(size_t count, std::uint32_t seed, float cut) {
    Noise noise(seed);
    std::vector<float> out(count);
    float low = 0.0f;
    for (float& sample : out) {
        low += cut * (noise.next() - low);
        sample = low;
    }
    return out;
}

// The last fade samples are blended into the first ones, so the loop runs on without a seam.
void closeLoop(SoundData& sound, size_t fade) {
    std::vector<float>& s = sound.samples;
    fade = std::min(fade, s.size() / 2);
    const size_t keep = s.size() - fade;
    for (size_t i = 0; i < fade; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(fade);
        s[i] = s[i] * t + s[keep + i] * (1.0f - t);
    }
    s.resize(keep);
}

// Scales the sound so its loudest sample is at peak.
void normalise(SoundData& sound, float peak) {
    float most = 0.0f;
    for (float sample : sound.samples)
        most = std::max(most, std::fabs(sample));
    if (most > 0.0f)
        for (float& sample : sound.samples)
            sample *= peak / most;
}

// A short note with a soft attack and an exponential decay, added at start (seconds).
void addNote(SoundData& sound, double start, double hz, double seconds, float level) {
    const size_t first = static_cast<size_t>(start * Rate);
    const size_t count = static_cast<size_t>(seconds * Rate);
    for (size_t i = 0; i < count && first + i < sound.samples.size(); ++i) {
        const float t = static_cast<float>(i) / Rate;
        const float envelope = std::min(1.0f, t / 0.01f) * std::exp(-3.0f * t / seconds);
        const float tone = sine(hz, i) + 0.35f * sine(2.0 * hz, i) + 0.15f * sine(3.0 * hz, i);
        sound.samples[first + i] += level * envelope * tone;
    }
}

} // namespace

SoundData makeWallAttackLoop() {
    // Grinding: a buzz at 180 Hz chopped 12 times a second, over bright crackle.
    SoundData sound = silence(0.5 + 0.05);
    const std::vector<float> crackle = filteredNoise(sound.samples.size(), 11u, 0.6f);
    for (size_t i = 0; i < sound.samples.size(); ++i) {
        const float phase =
            static_cast<float>(std::fmod(180.0 * static_cast<double>(i) / Rate, 1.0));
        const float buzz = 2.0f * phase - 1.0f;
        const float chop = 0.55f + 0.45f * sine(12.0, i);
        sound.samples[i] = chop * (0.5f * buzz + 0.7f * crackle[i]);
    }
    closeLoop(sound, static_cast<size_t>(0.05 * Rate));
    normalise(sound, 0.8f);
    return sound;
}

SoundData makeWallBreak() {
    // A crash: a falling thump under a burst of noise that darkens as it dies.
    SoundData sound = silence(1.2);
    Noise noise(23u);
    float low = 0.0f;
    for (size_t i = 0; i < sound.samples.size(); ++i) {
        const float t = static_cast<float>(i) / Rate;
        const float cut = 0.9f * std::exp(-2.5f * t) + 0.05f;
        low += cut * (noise.next() - low);
        const float thump = std::sin(2.0f * Pi * (70.0f * t - 12.0f * t * t)) * std::exp(-5.0f * t);
        sound.samples[i] =
            (0.9f * low + 0.8f * thump) * std::exp(-3.0f * t) * std::min(1.0f, t / 0.003f);
    }
    normalise(sound, 0.95f);
    return sound;
}

SoundData makeEnemyHumLoop() {
    // A low drone whose slightly detuned partials beat slowly (whole hertz: one second repeats).
    SoundData sound = silence(1.0);
    for (size_t i = 0; i < sound.samples.size(); ++i)
        sound.samples[i] =
            sine(82.0, i) + 0.6f * sine(164.0, i) + 0.4f * sine(165.0, i) + 0.2f * sine(247.0, i);
    normalise(sound, 0.7f);
    return sound;
}

SoundData makeSatelliteWhirLoop() {
    // A thin whir: 660 Hz fluttering 20 times a second.
    SoundData sound = silence(0.5);
    for (size_t i = 0; i < sound.samples.size(); ++i)
        sound.samples[i] =
            (0.6f + 0.4f * sine(20.0, i)) * (sine(660.0, i) + 0.3f * sine(1320.0, i));
    normalise(sound, 0.6f);
    return sound;
}

SoundData makePlayerHurt() {
    // A short thud sliding down from 300 Hz, with a bit of grit.
    SoundData sound = silence(0.25);
    Noise noise(41u);
    float phase = 0.0f;
    for (size_t i = 0; i < sound.samples.size(); ++i) {
        const float t = static_cast<float>(i) / Rate;
        phase += (300.0f - 700.0f * t) / Rate;
        const float envelope = std::min(1.0f, t / 0.004f) * std::exp(-14.0f * t);
        sound.samples[i] = envelope * (std::sin(2.0f * Pi * phase) + 0.25f * noise.next());
    }
    normalise(sound, 0.9f);
    return sound;
}

SoundData makeLostCue() {
    // Three falling notes.
    SoundData sound = silence(1.6);
    addNote(sound, 0.0, 392.0, 0.45, 0.6f);
    addNote(sound, 0.35, 311.1, 0.45, 0.6f);
    addNote(sound, 0.7, 246.9, 0.9, 0.6f);
    normalise(sound, 0.85f);
    return sound;
}

SoundData makeLevelCompleteCue() {
    // A rising arpeggio.
    SoundData sound = silence(1.2);
    addNote(sound, 0.0, 523.3, 0.4, 0.6f);
    addNote(sound, 0.15, 659.3, 0.4, 0.6f);
    addNote(sound, 0.3, 784.0, 0.8, 0.6f);
    normalise(sound, 0.85f);
    return sound;
}

SoundData makeWonCue() {
    // The arpeggio up to the octave, then the whole chord held.
    SoundData sound = silence(2.4);
    const double notes[] = {523.3, 659.3, 784.0, 1046.5};
    for (int i = 0; i < 4; ++i)
        addNote(sound, 0.15 * i, notes[i], 0.35, 0.5f);
    for (double hz : notes)
        addNote(sound, 0.7, hz, 1.6, 0.35f);
    normalise(sound, 0.85f);
    return sound;
}

SoundData makeWaterLoop() {
    // Dark noise swelling and ebbing like small waves (the swells repeat every two seconds).
    SoundData sound = silence(2.0 + 0.2);
    const std::vector<float> wash = filteredNoise(sound.samples.size(), 59u, 0.04f);
    for (size_t i = 0; i < sound.samples.size(); ++i) {
        const float swell = 0.5f + 0.3f * sine(1.0, i) + 0.2f * sine(1.5, i);
        sound.samples[i] = wash[i] * swell * swell;
    }
    closeLoop(sound, static_cast<size_t>(0.2 * Rate));
    normalise(sound, 0.7f);
    return sound;
}

namespace {

// libsndfile writes (and seeks back to fill in the header) into memory.
struct MemoryFile {
    std::string bytes;
    sf_count_t at = 0;
};

SF_VIRTUAL_IO memoryIo() {
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* file) {
        return static_cast<sf_count_t>(static_cast<MemoryFile*>(file)->bytes.size());
    };
    io.seek = [](sf_count_t offset, int whence, void* file) {
        auto* f = static_cast<MemoryFile*>(file);
        const sf_count_t base = whence == SEEK_SET   ? 0
                                : whence == SEEK_CUR ? f->at
                                                     : static_cast<sf_count_t>(f->bytes.size());
        f->at = std::max<sf_count_t>(0, base + offset);
        return f->at;
    };
    io.read = [](void* data, sf_count_t count, void* file) {
        auto* f = static_cast<MemoryFile*>(file);
        const sf_count_t size = static_cast<sf_count_t>(f->bytes.size());
        const sf_count_t n = std::max<sf_count_t>(0, std::min(count, size - f->at));
        std::memcpy(data, f->bytes.data() + f->at, static_cast<size_t>(n));
        f->at += n;
        return n;
    };
    io.write = [](const void* data, sf_count_t count, void* file) {
        auto* f = static_cast<MemoryFile*>(file);
        const size_t end = static_cast<size_t>(f->at + count);
        if (end > f->bytes.size())
            f->bytes.resize(end);
        std::memcpy(&f->bytes[static_cast<size_t>(f->at)], data, static_cast<size_t>(count));
        f->at += count;
        return count;
    };
    io.tell = [](void* file) { return static_cast<MemoryFile*>(file)->at; };
    return io;
}

} // namespace

Result<void> writeSound(const SoundData& sound, const std::string& path) {
    SF_INFO info{};
    info.samplerate = sound.sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    MemoryFile memory;
    SF_VIRTUAL_IO io = memoryIo();
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    if (file == nullptr)
        return fail("cannot write " + path + ": " + sf_strerror(nullptr));
    const sf_count_t frames = static_cast<sf_count_t>(sound.samples.size());
    const sf_count_t written = sf_writef_float(file, sound.samples.data(), frames);
    sf_close(file);
    if (written != frames)
        return fail("cannot write " + path + ": the samples could not be encoded");
    return writeOutput(path, memory.bytes);
}

} // namespace assets
