#include "audio/SoundBank.h"
#include "platform/Report.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace brindlemox::audio {

using namespace platform;

std::function<void()> SoundBank::readJob() {
    auto task = std::make_shared<std::packaged_task<Read()>>(readAll);
    reading = task->get_future();
    return [task] { (*task)(); };
}

SoundBank::Read SoundBank::readAll() {
    Read read;
    struct stat folder {};
    if (stat(SoundFolder, &folder) != 0 || !S_ISDIR(folder.st_mode)) {
        read.lines.push_back(std::string("No ") + SoundFolder + "/ folder: playing without sound");
        return read;
    }
    for (size_t i = 0; i < SoundCount; ++i) {
        read.clips[i] = readClip(SoundFiles[i]);
        if (!read.clips[i])
            read.lines.push_back(std::string("Sound file ") + SoundFiles[i] +
                                 " is missing or damaged: that sound stays silent");
    }
    return read;
}

const SoundBank::Clips& SoundBank::clips() {
    if (done)
        return *done;
    Read read;
    bool taken = false;
    if (reading.valid()) {
        try {
            read = reading.get();
            taken = true;
        } catch (const std::future_error&) {
            // The reader never ran the job.
        }
    }
    if (!taken)
        read = readAll();
    for (const std::string& line : read.lines)
        report(Severity::Warning, line);
    done = std::move(read.clips);
    return *done;
}

} // namespace brindlemox::audio
