#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <memory>
#include <utility>

namespace brindlemox::audio {

// Move-only owners of OpenAL objects, as GlHandle.h is for GL: empty when default-made or moved
// from, deleted exactly once. Sources and buffers need the context that made them to be current
// when they go, so their owners keep that context alive (see SoundSystem).
namespace al {

template <void (*Delete)(ALsizei, const ALuint*)> class Name {
  public:
    Name() = default;
    explicit Name(ALuint adopted) : name(adopted) {}
    ~Name() { reset(); }
    Name(Name&& other) noexcept : name(std::exchange(other.name, 0)) {}
    Name& operator=(Name&& other) noexcept {
        if (this != &other) {
            reset();
            name = std::exchange(other.name, 0);
        }
        return *this;
    }
    Name(const Name&) = delete;
    Name& operator=(const Name&) = delete;

    ALuint get() const { return name; }
    explicit operator bool() const { return name != 0; }
    void reset() {
        if (name != 0)
            Delete(1, &name);
        name = 0;
    }

  private:
    ALuint name = 0;
};

inline void deleteSources(ALsizei n, const ALuint* names) {
    alDeleteSources(n, names);
}
inline void deleteBuffers(ALsizei n, const ALuint* names) {
    alDeleteBuffers(n, names);
}
using Source = Name<deleteSources>;
using Buffer = Name<deleteBuffers>;

// A new source or buffer; empty when the library cannot make one.
inline Source makeSource() {
    ALuint name = 0;
    alGetError();
    alGenSources(1, &name);
    return alGetError() == AL_NO_ERROR ? Source(name) : Source();
}
inline Buffer makeBuffer() {
    ALuint name = 0;
    alGetError();
    alGenBuffers(1, &name);
    return alGetError() == AL_NO_ERROR ? Buffer(name) : Buffer();
}

struct CloseDevice {
    void operator()(ALCdevice* device) const { alcCloseDevice(device); }
};
struct DestroyContext {
    void operator()(ALCcontext* context) const {
        if (alcGetCurrentContext() == context)
            alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
    }
};
using Device = std::unique_ptr<ALCdevice, CloseDevice>;
using Context = std::unique_ptr<ALCcontext, DestroyContext>;

} // namespace al

} // namespace brindlemox::audio
