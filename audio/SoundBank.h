#pragma once

#include "audio/SoundFile.h"
#include "audio/Sounds.h"

#include <array>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace brindlemox::audio {

// The game's sounds read from Sound/ (relative to the working directory, the data folder). A
// missing or damaged file leaves its sound empty, said in one line naming it; without the folder
// one line says the game plays without sound.
class SoundBank {
  public:
    using Clips = std::array<std::optional<Clip>, SoundCount>;

    // A job that reads the files, for the start-up reader to run; clips() then waits for it. A
    // job dropped unrun (no reader thread) makes clips() read the files itself.
    std::function<void()> readJob();
    // The sounds, read on the first call (or taken from the job); the lines for what is missing
    // are printed then, once.
    const Clips& clips();

    struct Read {
        Clips clips;
        std::vector<std::string> lines;
    };
    // Reads every sound file now.
    static Read readAll();

  private:
    std::future<Read> reading;
    std::optional<Clips> done;
};

} // namespace brindlemox::audio
