// (g) The main thread's time per frame for sound in Level 2.

#include "ChildProcess.h"
#include "Harness.h"
#include "Measurements.h"
#include "app/Game.h"
#include "audio/SoundSystem.h"
#include "gameplay/Player.h"
#include "levels/Level.h"
#include "levels/LevelSound.h"
#include "platform/Controls.h"
#include "platform/ScriptedPlatform.h"

#include <AL/alext.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace audio = brindlemox::audio;
using namespace brindlemox::platform;
using namespace brindlemox::audio;
using namespace brindlemox::levels;
using namespace brindlemox::app;

namespace bench {

// The main thread's time for sound per frame in Level 2, its five enemies humming and whirring,
// the water lapping and the hurt cue every few frames, mixed by a loopback device (the mixing
// itself runs on the device's own thread in the game, so it is not timed here).
int childSound(int frames) {
    const auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    const auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (openLoopback == nullptr || render == nullptr)
        return 1;
    const int rate = 44100;
    auto sound = std::make_shared<audio::SoundSystem>(
        al::Device(openLoopback(nullptr)),
        std::vector<int>{ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                         ALC_FLOAT_SOFT, ALC_FREQUENCY, rate, 0},
        audio::SoundSettings());
    ScriptedPlatform keys;
    StartOptions options;
    options.level = 2;
    options.sound = sound;
    const std::unique_ptr<Game> opened = openGame(options);
    if (!opened)
        return 1;
    Game& game = *opened;
    Level& level = currentLevel(game);
    LevelSound timed(*sound, level.getObjectives(), level.getEnemies(), level.getWater());
    std::vector<float> mix(static_cast<size_t>(rate / 30) * 2);
    std::vector<double> times;
    for (int i = 0; i < frames + 10; ++i) {
        keys.advance(1.0 / 30.0);
        game.frame(false);
        LevelSound::Frame frame;
        frame.deltaTime = 1.0f / 30.0f;
        frame.playerHealth = level.getPlayer().getHealth() - static_cast<float>(i % 7);
        const double t0 = threadCpuSeconds();
        timed.update(level.getCamera(), frame);
        if (i >= 10)
            times.push_back((threadCpuSeconds() - t0) * 1000.0);
        render(sound->device(), mix.data(), rate / 30);
    }
    std::sort(times.begin(), times.end());
    fprintf(out, "sound %d %.4f %.4f\n", frames, median(times), times.back());
    fflush(out);
    return 0;
}

void soundBenchmark(const std::string& tiny, const std::string& cacheEnvironment, int frames) {
    for (const std::string& line :
         runChild(cacheEnvironment, "sound " + std::to_string(frames), tiny)) {
        int measured = 0;
        double median = 0, most = 0;
        if (std::sscanf(line.c_str(), "sound %d %lf %lf", &measured, &median, &most) == 3)
            fprintf(out,
                    "\n(g) Sound: main-thread ms per frame in Level 2 (listener, 5 hums and "
                    "whirs, water, hurt cues): %.4f median, %.4f most, over %d frames\n",
                    median, most, measured);
    }
    fflush(out);
}

} // namespace bench
