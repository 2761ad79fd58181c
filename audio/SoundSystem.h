#pragma once

#include "audio/AlHandle.h"
#include "audio/SoundBank.h"
#include "audio/Sounds.h"

#include <glm/vec3.hpp>

#include <array>
#include <memory>
#include <vector>

namespace brindlemox::audio {

struct SoundSettings {
    int volume = 80; // 0 to 100
    bool muted = false;
};

// One sound output of the process: its device, its context (current while it lives) and the
// buffers of the game's sounds. Everything that plays holds it, so it goes last.
struct Output;

// A sound that repeats at a place until stopped (a wall under attack, an enemy's hum). Empty, it
// plays nothing. Holds its own source.
class Loop {
  public:
    Loop() = default;
    // Starts it, or moves it and sets its gain and pitch when it is playing already; unchanged
    // values cost no library call.
    void play(const glm::vec3& position, float gain = 1.0f, float pitch = 1.0f);
    void stop();
    bool isPlaying() const { return playing; }

  private:
    friend class SoundSystem;
    // Declared before the source, so the source goes first.
    std::shared_ptr<Output> output;
    al::Source source;
    bool playing = false;
    glm::vec3 lastPosition{0.0f};
    float lastGain = -1.0f;
    float lastPitch = -1.0f;
};

// The game's sound: a listener that follows the camera, sounds at places in the world (one-shots
// and loops) and cues at the listener, through OpenAL. A default-made one, or one without a
// device, is silent: every call does nothing. Sound never feeds back into the game.
class SoundSystem {
  public:
    // Silent.
    SoundSystem();
    // Plays on device, its context made with contextAttributes (a loopback device needs its
    // format there; zero-terminated, or empty for the device's own). Without a context it is
    // silent, said in one line.
    SoundSystem(al::Device device, const std::vector<int>& contextAttributes,
                const SoundSettings& settings);
    ~SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // The system's default device, or a silent system when muted or when there is none (said in
    // NoDeviceLine).
    static std::unique_ptr<SoundSystem> openDefault(const SoundSettings& settings);
    static constexpr const char* NoDeviceLine = "No sound device: playing without sound";

    bool isAudible() const;
    // The volume from now on (0 to 100; the settings menu). A silent system stays silent.
    void setVolume(int volume);
    ALCdevice* device() const;

    // Makes the buffers of the clips; only the first call counts. An empty clip stays silent.
    void load(const SoundBank::Clips& clips);
    bool isLoaded() const { return loaded; }

    // A frame's calls between these reach the mixer together.
    void beginFrame();
    void endFrame();

    void setListener(const glm::vec3& position, const glm::vec3& forward, const glm::vec3& up);
    // Once, at a place in the world.
    void playAt(Sound sound, const glm::vec3& position, float gain = 1.0f, float pitch = 1.0f);
    // Once, at the listener (the cues, the player's own hurt).
    void playHere(Sound sound, float gain = 1.0f);
    // A stopped loop of the sound; empty when silent or the sound is missing.
    Loop loop(Sound sound);
    // Silence from now on: the game is ending (no tail after Escape).
    void stopAll();
    // While paused nothing is heard and, where the device can, nothing advances: the sounds
    // carry on from where they were when play resumes.
    void setPaused(bool paused);

    // Distances in world units: full gain up to Near, then falling off (inverse distance),
    // no further fall beyond Far. Chosen for the levels' rooms of 20 to 100 units.
    static constexpr float NearDistance = 6.0f;
    static constexpr float FarDistance = 120.0f;
    static constexpr size_t OneShotSources = 16;

  private:
    ALuint freeOneShot();
    // A one-shot source holding the sound's buffer; 0 when nothing can play it.
    ALuint oneShotWith(Sound sound);

    std::shared_ptr<Output> output;
    bool loaded = false;
    bool stopped = false;
    bool paused = false;
    float listenerGain = 0.0f;
    size_t nextOneShot = 0;
};

} // namespace brindlemox::audio
