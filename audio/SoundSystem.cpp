#include "audio/SoundSystem.h"
#include "platform/Report.h"

#include <AL/alext.h>
#include <glm/geometric.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace brindlemox::audio {

using namespace platform;

struct Output {
    al::Device device;
    al::Context context;
    std::array<al::Buffer, SoundCount> buffers;
    // Declared after the buffers, so they go first.
    std::vector<al::Source> oneShots;
};

namespace {

// While probing for a device, the library and the drivers below it write their own complaints to
// standard error; the game says what matters in one line instead.
class QuietStandardError {
  public:
    QuietStandardError() {
        std::fflush(stderr);
        saved = dup(STDERR_FILENO);
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved >= 0 && nowhere >= 0)
            dup2(nowhere, STDERR_FILENO);
        if (nowhere >= 0)
            close(nowhere);
    }
    ~QuietStandardError() {
        if (saved >= 0) {
            dup2(saved, STDERR_FILENO);
            close(saved);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

  private:
    int saved = -1;
};

ALuint bufferOf(const Output& output, Sound sound) {
    return output.buffers[indexOf(sound)].get();
}

void place(ALuint source, const glm::vec3& position) {
    alSource3f(source, AL_POSITION, position.x, position.y, position.z);
}

} // namespace

SoundSystem::SoundSystem() = default;

SoundSystem::SoundSystem(al::Device device, const std::vector<int>& contextAttributes,
                         const SoundSettings& settings) {
    if (device == nullptr) {
        report(Severity::Warning, NoDeviceLine);
        return;
    }
    auto made = std::make_shared<Output>();
    made->device = std::move(device);
    made->context.reset(alcCreateContext(
        made->device.get(), contextAttributes.empty() ? nullptr : contextAttributes.data()));
    if (made->context == nullptr || alcMakeContextCurrent(made->context.get()) != ALC_TRUE) {
        report(Severity::Warning, NoDeviceLine);
        return;
    }
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    for (size_t i = 0; i < OneShotSources; ++i)
        if (al::Source source = al::makeSource())
            made->oneShots.push_back(std::move(source));
    listenerGain = settings.muted ? 0.0f : std::clamp(settings.volume, 0, 100) / 100.0f;
    alListenerf(AL_GAIN, listenerGain);
    output = std::move(made);
}

SoundSystem::~SoundSystem() {
    stopAll();
}

std::unique_ptr<SoundSystem> SoundSystem::openDefault(const SoundSettings& settings) {
    if (settings.muted)
        return std::make_unique<SoundSystem>();
    al::Device device;
    {
        QuietStandardError quiet;
        device.reset(alcOpenDevice(nullptr));
    }
    return std::make_unique<SoundSystem>(std::move(device), std::vector<int>(), settings);
}

bool SoundSystem::isAudible() const {
    return output != nullptr && !stopped && listenerGain > 0.0f;
}

ALCdevice* SoundSystem::device() const {
    return output != nullptr ? output->device.get() : nullptr;
}

void SoundSystem::load(const SoundBank::Clips& clips) {
    if (output == nullptr || loaded)
        return;
    loaded = true;
    for (size_t i = 0; i < SoundCount; ++i) {
        if (!clips[i])
            continue;
        al::Buffer buffer = al::makeBuffer();
        if (!buffer)
            continue;
        const std::vector<std::int16_t>& samples = clips[i]->samples;
        alBufferData(buffer.get(), AL_FORMAT_MONO16, samples.data(),
                     static_cast<ALsizei>(samples.size() * sizeof(std::int16_t)),
                     clips[i]->sampleRate);
        if (alGetError() == AL_NO_ERROR)
            output->buffers[i] = std::move(buffer);
    }
}

void SoundSystem::beginFrame() {
    if (output != nullptr)
        alcSuspendContext(output->context.get());
}

void SoundSystem::endFrame() {
    if (output != nullptr)
        alcProcessContext(output->context.get());
}

void SoundSystem::setListener(const glm::vec3& position, const glm::vec3& forward,
                              const glm::vec3& up) {
    if (output == nullptr || stopped)
        return;
    alListener3f(AL_POSITION, position.x, position.y, position.z);
    const ALfloat orientation[6] = {forward.x, forward.y, forward.z, up.x, up.y, up.z};
    alListenerfv(AL_ORIENTATION, orientation);
}

ALuint SoundSystem::freeOneShot() {
    std::vector<al::Source>& sources = output->oneShots;
    if (sources.empty())
        return 0;
    for (size_t tried = 0; tried < sources.size(); ++tried) {
        const ALuint source = sources[(nextOneShot + tried) % sources.size()].get();
        ALint state = AL_STOPPED;
        alGetSourcei(source, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING) {
            nextOneShot = (nextOneShot + tried + 1) % sources.size();
            return source;
        }
    }
    // All busy: the oldest gives way.
    const ALuint oldest = sources[nextOneShot].get();
    nextOneShot = (nextOneShot + 1) % sources.size();
    alSourceStop(oldest);
    return oldest;
}

ALuint SoundSystem::oneShotWith(Sound sound) {
    if (output == nullptr || stopped || bufferOf(*output, sound) == 0)
        return 0;
    const ALuint source = freeOneShot();
    if (source != 0)
        alSourcei(source, AL_BUFFER, static_cast<ALint>(bufferOf(*output, sound)));
    return source;
}

void SoundSystem::playAt(Sound sound, const glm::vec3& position, float gain, float pitch) {
    const ALuint source = oneShotWith(sound);
    if (source == 0)
        return;
    alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
    alSourcef(source, AL_REFERENCE_DISTANCE, NearDistance);
    alSourcef(source, AL_MAX_DISTANCE, FarDistance);
    place(source, position);
    alSourcef(source, AL_GAIN, gain);
    alSourcef(source, AL_PITCH, pitch);
    alSourcePlay(source);
}

void SoundSystem::playHere(Sound sound, float gain) {
    const ALuint source = oneShotWith(sound);
    if (source == 0)
        return;
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    place(source, glm::vec3(0.0f));
    alSourcef(source, AL_GAIN, gain);
    alSourcef(source, AL_PITCH, 1.0f);
    alSourcePlay(source);
}

Loop SoundSystem::loop(Sound sound) {
    Loop made;
    if (output == nullptr || stopped || bufferOf(*output, sound) == 0)
        return made;
    made.source = al::makeSource();
    if (!made.source)
        return made;
    made.output = output;
    const ALuint source = made.source.get();
    alSourcei(source, AL_BUFFER, static_cast<ALint>(bufferOf(*output, sound)));
    alSourcei(source, AL_LOOPING, AL_TRUE);
    alSourcef(source, AL_REFERENCE_DISTANCE, NearDistance);
    alSourcef(source, AL_MAX_DISTANCE, FarDistance);
    return made;
}

void SoundSystem::stopAll() {
    if (output == nullptr || stopped)
        return;
    stopped = true;
    alListenerf(AL_GAIN, 0.0f);
    for (const al::Source& source : output->oneShots)
        alSourceStop(source.get());
    // A real device stops mixing at once; the loops' sources go with their owners.
    if (alcIsExtensionPresent(output->device.get(), "ALC_SOFT_pause_device") == ALC_TRUE) {
        auto pause = reinterpret_cast<LPALCDEVICEPAUSESOFT>(
            alcGetProcAddress(output->device.get(), "alcDevicePauseSOFT"));
        if (pause != nullptr)
            pause(output->device.get());
        alcGetError(output->device.get());
    }
}

void Loop::play(const glm::vec3& position, float gain, float pitch) {
    if (!source)
        return;
    const ALuint name = source.get();
    if (position != lastPosition || !playing) {
        place(name, position);
        lastPosition = position;
    }
    if (gain != lastGain) {
        alSourcef(name, AL_GAIN, gain);
        lastGain = gain;
    }
    if (pitch != lastPitch) {
        alSourcef(name, AL_PITCH, pitch);
        lastPitch = pitch;
    }
    if (!playing) {
        alSourcePlay(name);
        playing = true;
    }
}

void Loop::stop() {
    if (!source || !playing)
        return;
    alSourceStop(source.get());
    playing = false;
}

void SoundSystem::setVolume(int volume) {
    if (output == nullptr || stopped)
        return;
    listenerGain = std::clamp(volume, 0, 100) / 100.0f;
    if (!paused)
        alListenerf(AL_GAIN, listenerGain);
}

void SoundSystem::setPaused(bool pause) {
    if (output == nullptr || stopped || pause == paused)
        return;
    paused = pause;
    alListenerf(AL_GAIN, paused ? 0.0f : listenerGain);
    ALCdevice* device = output->device.get();
    if (alcIsExtensionPresent(device, "ALC_SOFT_pause_device") == ALC_TRUE) {
        const char* name = paused ? "alcDevicePauseSOFT" : "alcDeviceResumeSOFT";
        if (auto call = reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(device, name)))
            call(device);
        alcGetError(device);
    }
}

} // namespace brindlemox::audio
