#include "audio/SoundFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace audio = brindlemox::audio;

namespace {

// A mono WAV file of 32-bit float samples at 22050 Hz.
std::string floatWave(const std::vector<float>& samples) {
    std::string bytes;
    const auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    const std::uint32_t data = static_cast<std::uint32_t>(samples.size() * 4);
    bytes += "RIFF";
    put(36 + data, 4);
    bytes += "WAVEfmt ";
    put(16, 4);
    put(3, 2); // IEEE float
    put(1, 2);
    put(22050, 4);
    put(22050 * 4, 4);
    put(4, 2);
    put(32, 2);
    bytes += "data";
    put(data, 4);
    for (float sample : samples) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &sample, 4);
        put(bits, 4);
    }
    return bytes;
}

} // namespace

// A sample that is not a number marks the whole file as damaged: the game names it rather than
// playing silence.
TEST(SoundFile, SamplesThatAreNotFiniteAreDamage) {
    constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float Infinity = std::numeric_limits<float>::infinity();
    const struct {
        const char* name;
        std::vector<float> samples;
        std::vector<std::int16_t> decoded; // empty: refused
    } cases[] = {
        {"finite", {0.0f, 0.5f, -0.5f, 2.0f}, {0, 16384, -16384, 32767}},
        {"all NaN", std::vector<float>(64, NaN), {}},
        {"one NaN", {0.0f, 0.5f, NaN, 0.5f}, {}},
        {"an infinity", {0.0f, -Infinity}, {}},
    };
    for (const auto& c : cases) {
        const std::optional<audio::Clip> clip = audio::decodeClip(floatWave(c.samples));
        ASSERT_EQ(clip.has_value(), !c.decoded.empty()) << c.name;
        if (clip) {
            EXPECT_EQ(clip->samples, c.decoded) << c.name;
            EXPECT_EQ(clip->sampleRate, 22050) << c.name;
        }
    }
}
