#include "audio/SoundSystem.h"
#include "levels/FileLevel.h"
#include "levels/LevelFile.h"
#include "support/GlContext.h"
#include "support/ScriptedPlatform.h"

#include <AL/alext.h>
#include <GLFW/glfw3.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace audio = brindlemox::audio;
using namespace brindlemox::platform;
using namespace brindlemox::audio;
using namespace brindlemox::levels;

// What a listener hears of Level 1: the mix rendered offline through OpenAL Soft's loopback
// device while the level runs on scripted input.
namespace {

using audio::Sound;

constexpr int Rate = 44100;
constexpr double FrameSeconds = 1.0 / 30.0;
constexpr float Silent = 1.0e-4f; // RMS
constexpr float Audible = 1.0e-3f;

// Any: not judged (the mixer's short fade when the gain changes).
enum class Heard { Silence, Sound, LeftLouder, RightLouder, Any };

struct Step {
    int frames;
    bool attack; // Space held
    Heard heard; // over the step's frames
    bool paused = false;
};

struct ListenerCase {
    const char* name;
    std::vector<Sound> sounds; // the only sounds loaded, so each case hears what it tests
    glm::vec3 at;
    double yaw;
    double pitch;
    audio::SoundSettings settings;
    std::vector<Step> steps;
};

// In front of Level 1's first breakable wall, within reach.
const glm::vec3 AtWall(-4, 4, 0);
// Level 1's first enemy glides along x at z 0; from here it is on the left looking along +x
// (yaw 90) and on the right looking along -x.
const glm::vec3 BesideEnemy(8, 6, 12);

const ListenerCase Cases[] = {
    {"silence before an attack, grinding during it",
     {Sound::WallAttack},
     AtWall,
     180,
     -39,
     {},
     {{10, false, Heard::Silence}, {20, true, Heard::Sound}, {10, false, Heard::Silence}}},
    // 15 health falling by 2.5 a second: the wall falls after 6 s of attack.
    {"a burst when the wall falls",
     {Sound::WallBreak},
     AtWall,
     180,
     -39,
     {},
     {{150, true, Heard::Silence}, {45, true, Heard::Sound}}},
    {"an enemy on the left",
     {Sound::EnemyHum},
     BesideEnemy,
     90,
     0,
     {},
     {{10, false, Heard::LeftLouder}}},
    {"an enemy on the right",
     {Sound::EnemyHum},
     BesideEnemy,
     -90,
     0,
     {},
     {{10, false, Heard::RightLouder}}},
    {"paused is silent, and the grinding comes back on resuming",
     {Sound::WallAttack},
     AtWall,
     180,
     -39,
     {},
     {{10, true, Heard::Sound},
      {1, true, Heard::Any, true},
      {10, true, Heard::Silence, true},
      {10, true, Heard::Sound}}},
    {"volume 0 is silent",
     {Sound::WallAttack, Sound::EnemyHum, Sound::Water},
     AtWall,
     180,
     -39,
     {0, false},
     {{20, true, Heard::Silence}}},
    {"muted is silent",
     {Sound::WallAttack, Sound::EnemyHum, Sound::Water},
     AtWall,
     180,
     -39,
     {80, true},
     {{20, true, Heard::Silence}}},
};

struct Levels {
    float left = 0.0f;
    float right = 0.0f;
};

class Loopback {
  public:
    Loopback() {
        open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
            alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    }
    bool offered() const { return open != nullptr && render != nullptr; }
    std::shared_ptr<audio::SoundSystem> system(const audio::SoundSettings& settings) {
        al::Device device(open(nullptr));
        const std::vector<int> format = {ALC_FORMAT_CHANNELS_SOFT,
                                         ALC_STEREO_SOFT,
                                         ALC_FORMAT_TYPE_SOFT,
                                         ALC_FLOAT_SOFT,
                                         ALC_FREQUENCY,
                                         Rate,
                                         0};
        return std::make_shared<audio::SoundSystem>(std::move(device), format, settings);
    }
    // RMS of each channel over the next seconds of the mix.
    Levels listen(ALCdevice* device, double seconds) {
        const int frames = static_cast<int>(seconds * Rate);
        std::vector<float> samples(static_cast<size_t>(frames) * 2);
        render(device, samples.data(), frames);
        double left = 0.0;
        double right = 0.0;
        for (int i = 0; i < frames; ++i) {
            left += samples[2 * i] * samples[2 * i];
            right += samples[2 * i + 1] * samples[2 * i + 1];
        }
        return {static_cast<float>(std::sqrt(left / frames)),
                static_cast<float>(std::sqrt(right / frames))};
    }

  private:
    LPALCLOOPBACKOPENDEVICESOFT open = nullptr;
    LPALCRENDERSAMPLESSOFT render = nullptr;
};

bool heardAs(Heard heard, const Levels& levels) {
    const float loudest = std::max(levels.left, levels.right);
    switch (heard) {
    case Heard::Silence:
        return loudest < Silent;
    case Heard::Sound:
        return loudest > Audible;
    case Heard::LeftLouder:
        return levels.left > Audible && levels.left > 1.5f * levels.right;
    case Heard::RightLouder:
        return levels.right > Audible && levels.right > 1.5f * levels.left;
    case Heard::Any:
        return true;
    }
    return false;
}

class ListenerTest : public GlTest, public testing::WithParamInterface<ListenerCase> {
  protected:
};

TEST_P(ListenerTest, HearsWhatThePlayerWouldHear) {
    const ListenerCase& c = GetParam();
    Loopback loopback;
    ASSERT_TRUE(loopback.offered()) << "OpenAL Soft offers no loopback device";
    std::shared_ptr<audio::SoundSystem> sound = loopback.system(c.settings);
    ASSERT_NE(sound->device(), nullptr);
    audio::SoundBank::Clips clips;
    const audio::SoundBank::Read files = audio::SoundBank::readAll();
    for (Sound s : c.sounds) {
        ASSERT_TRUE(files.clips[audio::indexOf(s)]) << audio::SoundFiles[audio::indexOf(s)];
        clips[audio::indexOf(s)] = files.clips[audio::indexOf(s)];
    }
    sound->load(clips);

    ScriptedPlatform keys;
    Config config;
    Controls controls(nullptr, &config);
    std::fflush(stdout);
    testing::internal::CaptureStderr(); // loading chatter
    levelfile::Result read = levelfile::read("Levels/level1.txt");
    ASSERT_TRUE(read.content) << read.error;
    FileLevel level(testgl::window(), &config, controls, nullptr, *read.content);
    level.setLossHold(0.0);
    level.start();
    std::fflush(stdout);
    testing::internal::GetCapturedStderr();
    level.setSound(sound.get());
    level.placePlayer(c.at, c.yaw, c.pitch);

    for (size_t s = 0; s < c.steps.size(); ++s) {
        const Step& step = c.steps[s];
        if (step.attack)
            keys.hold(GLFW_KEY_SPACE);
        else
            keys.release(GLFW_KEY_SPACE);
        Levels heard;
        double left = 0.0;
        double right = 0.0;
        controls.setPaused(nullptr, step.paused);
        for (int f = 0; f < step.frames; ++f) {
            keys.advance(FrameSeconds);
            level.update();
            level.stepPhysics();
            const Levels frame = loopback.listen(sound->device(), FrameSeconds);
            left += frame.left * frame.left;
            right += frame.right * frame.right;
        }
        heard.left = static_cast<float>(std::sqrt(left / step.frames));
        heard.right = static_cast<float>(std::sqrt(right / step.frames));
        std::printf("%s, step %zu: left %.5f, right %.5f\n", c.name, s + 1, heard.left,
                    heard.right);
        EXPECT_TRUE(heardAs(step.heard, heard))
            << c.name << ", step " << s + 1 << ": left " << heard.left << ", right " << heard.right;
    }
}

std::string caseName(const testing::TestParamInfo<ListenerCase>& info) {
    std::string name;
    for (const char* p = info.param.name; *p != '\0'; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Mix, ListenerTest, testing::ValuesIn(Cases), caseName);

TEST(SoundSystemTest, WithoutADeviceOneLineAndNothingPlays) {
    std::fflush(stdout);
    testing::internal::CaptureStderr();
    audio::SoundSystem sound(al::Device(), {}, {});
    sound.load(audio::SoundBank::readAll().clips);
    sound.playAt(Sound::WallBreak, glm::vec3(0.0f));
    sound.playHere(Sound::Won);
    audio::Loop loop = sound.loop(Sound::EnemyHum);
    loop.play(glm::vec3(1.0f));
    sound.stopAll();
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              std::string(audio::SoundSystem::NoDeviceLine) + "\n");
    EXPECT_FALSE(sound.isAudible());
    EXPECT_FALSE(loop.isPlaying());
}

} // namespace
