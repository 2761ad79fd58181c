#include "app/Session.h"

#include "app/BestRuns.h"
#include "app/Demo.h"
#include "app/Game.h"
#include "app/LevelCatalogue.h"
#include "platform/DataFile.h"
#include "platform/OutputFile.h"
#include "platform/Printable.h"
#include "platform/Report.h"
#include "platform/ScriptedPlatform.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

namespace brindlemox::app {

using namespace levels;
using namespace platform;

namespace {

using Clock = std::chrono::steady_clock;

// A replay waits for a frame's recorded delta time, but never longer than this (a stall in the
// recording, or a damaged demo, does not stop the replay for long).
constexpr double MaxPacingSeconds = 2.0;

// The last frame drawn, read back before the swap.
struct Screenshot {
    std::vector<unsigned char> rgba;
    int width = 0;
    int height = 0;

    void capture(GLFWwindow* window) {
        glfwGetFramebufferSize(window, &width, &height);
        rgba.resize(static_cast<size_t>(width) * height * 4);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
    // "" or why the file was not written.
    std::string write(const std::string& path) const {
        if (rgba.empty())
            return "no frame was drawn";
        // Encoded in memory first, so writing the file is one checked step.
        std::string png;
        const auto append = [](void* to, void* data, int size) {
            static_cast<std::string*>(to)->append(static_cast<const char*>(data),
                                                  static_cast<size_t>(size));
        };
        // GL rows run bottom to top, PNG rows top to bottom.
        stbi_flip_vertically_on_write(1);
        const int ok =
            stbi_write_png_to_func(append, &png, width, height, 4, rgba.data(), width * 4);
        stbi_flip_vertically_on_write(0);
        if (ok == 0)
            return "the picture could not be encoded";
        return outputfile::writeWhole(path, png);
    }
};

void placeForFirstFrame(Game& game, const std::optional<glm::vec3>& at,
                        const std::optional<glm::dvec2>& look) {
    Controls& controls = game.getControls();
    const double yaw = look ? look->x : controls.getYawDegrees();
    const double pitch = look ? look->y : controls.getPitchDegrees();
    LevelInterface* level = game.getCurrentLevel();
    const bool placed = at && level != nullptr && level->placePlayer(*at, yaw, pitch);
    if (!placed && look)
        controls.setView(yaw, pitch);
}

} // namespace

FrameRates frameRates(std::vector<double> frameSeconds) {
    FrameRates rates;
    rates.frames = frameSeconds.size();
    if (frameSeconds.empty())
        return rates;
    for (double seconds : frameSeconds)
        rates.seconds += seconds;
    const auto fps = [](double seconds) { return seconds > 0.0 ? 1.0 / seconds : 0.0; };
    rates.averageFps = fps(rates.seconds / static_cast<double>(rates.frames));
    std::sort(frameSeconds.begin(), frameSeconds.end());
    // Nearest rank: the smallest frame time that at least perMille thousandths of the frames do
    // not exceed (in whole numbers, so 99 % of 1000 frames is exactly the 990th).
    const auto percentile = [&frameSeconds](size_t perMille) {
        const size_t rank = (frameSeconds.size() * perMille + 999) / 1000;
        return frameSeconds[std::clamp<size_t>(rank, 1, frameSeconds.size()) - 1];
    };
    rates.lowOnePercentFps = fps(percentile(990));
    rates.lowPointOnePercentFps = fps(percentile(999));
    return rates;
}

std::string frameTimesCsv(const std::vector<double>& frameSeconds,
                          const std::vector<WorkTally>& frameWork) {
    std::string csv = "frame,ms";
    for (int kind = 0; kind < WorkTally::KindCount; ++kind)
        csv += std::string(",") + WorkTally::name(static_cast<WorkTally::Kind>(kind));
    csv += "\n";
    for (size_t i = 0; i < frameSeconds.size(); ++i) {
        char time[32];
        std::snprintf(time, sizeof time, "%zu,%.3f", i + 1, frameSeconds[i] * 1000.0);
        csv += time;
        for (long count : i < frameWork.size() ? frameWork[i].count : WorkTally().count)
            csv += "," + std::to_string(count);
        csv += "\n";
    }
    return csv;
}

RunEnd runSession(const CommandLine& options, CommandLine* next) {
    // A demo is read, and a recording opened, before any window: a bad file fails at once.
    std::optional<demo::Demo> played;
    const std::string& demoPath = !options.replay.empty() ? options.replay : options.timedemo;
    if (options.playsDemo()) {
        demo::ParseResult read = demo::load(demoPath);
        const int levelCount =
            read.demo && !read.demo->header.levelFile.empty() ? 1 : Game::DefaultLevelCount;
        if (read.demo && read.demo->header.level > levelCount)
            read.error = "it starts at level " + std::to_string(read.demo->header.level) +
                         ", and this game has " + std::to_string(levelCount);
        if (!read.error.empty()) {
            report(Severity::Error, "Cannot play the demo " + demoPath + ": " + read.error);
            return RunEnd::Failed;
        }
        played = std::move(read.demo);
    }
    // The levels are read before any window too: nothing is played half-loaded.
    const std::string& levelFile = played ? played->header.levelFile : options.levelFile;
    Result<LevelFactory> levels = Game::levelsFromFiles(
        levelFile.empty() ? Game::defaultLevelFiles() : std::vector<std::string>{levelFile});
    if (!levels) {
        report(Severity::Error, levels.error());
        return RunEnd::Failed;
    }
    const std::string recordedLevelFile = levelFile.empty() ? "" : demoPathOf(levelFile);
    if (recordedLevelFile.find_first_of("\r\n") != std::string::npos) {
        report(Severity::Error,
               "Cannot record the level file " + levelFile + ": its path holds a line end");
        return RunEnd::Failed;
    }
    std::ofstream recording;
    if (!options.record.empty()) {
        recording.open(options.record, std::ios::binary | std::ios::trunc);
        if (!recording) {
            report(Severity::Error,
                   "Cannot write the demo " + options.record + ": " + std::strerror(errno));
            return RunEnd::Failed;
        }
    }

    // A demo starts where and as its recording did.
    StartOptions start;
    const std::optional<glm::vec3>& at = played ? played->header.at : options.at;
    const std::optional<glm::dvec2>& look = played ? played->header.look : options.look;
    if (played) {
        const demo::Header& header = played->header;
        start.level = static_cast<size_t>(header.level);
        start.windowWidth = header.width;
        start.windowHeight = header.height;
        start.sensitivity = header.sensitivity;
        const Config defaults;
        start.fov = header.fov.value_or(defaults.fov);
        start.invertMouse = header.invertMouse.value_or(defaults.invertMouse);
        start.gamepadDeadzone = header.gamepadDeadzone.value_or(defaults.gamepadDeadzone);
        start.neverWaitForDisplay = !options.timedemo.empty();
    } else {
        if (options.level > 0)
            start.level = static_cast<size_t>(options.level);
        start.windowWidth = options.width;
        start.windowHeight = options.height;
        start.fullscreen = options.fullscreen;
    }
    start.mute = options.mute;

    Result<std::unique_ptr<Game>> opened = Game::open(std::move(*levels), start);
    if (!opened) {
        report(Severity::Error, opened.error());
        return RunEnd::NoWindow;
    }
    Game& game = **opened;
    GLFWwindow* window = game.getWindow();
    placeForFirstFrame(game, at, look);

    // Play the command line starts from a level's start keeps the player's progress; a replay,
    // a timedemo or a start placed elsewhere does not.
    std::vector<std::string> keptIds;
    if (options.startsPlay() && !played && !at && !look) {
        const CatalogueSources sources = gameSources();
        if (levelFile.empty())
            for (size_t i = 0; i < Game::defaultLevelFiles().size(); ++i)
                keptIds.push_back(levelIdOf(Game::defaultLevelFiles()[i], sources));
        else
            keptIds.push_back(levelIdOf(levelFile, sources));
    }
    const bool keepsProgress = std::any_of(keptIds.begin(), keptIds.end(),
                                           [](const std::string& id) { return !id.empty(); });

    // Nothing to do between frames: the plain game, with its menus.
    if (!options.reportsState() && options.screenshot.empty() && !keepsProgress) {
        game.setPauseMenu(true);
        game.keepBestRuns(true);
        if (!options.startsPlay())
            game.showTitle();
        game.run();
        if (next != nullptr && !game.watchRequested().empty()) {
            *next = options;
            next->replay = game.watchRequested();
        }
        return RunEnd::Done;
    }

    // A demo keeps one window size: what is in view decides what can be hit.
    game.setFullScreenKey(!played && !recording.is_open());
    std::unique_ptr<demo::Recorder> recorder;
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(window, &width, &height);
    // The run is recorded for its best runs too: into memory, or read back from --record's file.
    std::ostringstream kept;
    std::unique_ptr<BestRuns> bestRuns;
    if (keepsProgress) {
        std::function<std::string()> soFar = [&kept] { return kept.str(); };
        if (recording.is_open())
            soFar = [file = options.record] {
                return datafile::read(file, demo::MaxBytes).value_or("");
            };
        bestRuns = std::make_unique<BestRuns>(game);
        bestRuns->follow(keptIds, std::move(soFar));
    }
    if (recording.is_open() || bestRuns) {
        demo::Header header;
        header.level = static_cast<int>(start.level);
        header.width = width;
        header.height = height;
        header.sensitivity = game.getConfig().mouseSensitivity;
        header.fov = game.getConfig().fov;
        header.invertMouse = game.getConfig().invertMouse;
        header.gamepadDeadzone = game.getConfig().gamepadDeadzone;
        header.at = at;
        header.look = look;
        header.levelFile = recordedLevelFile;
        std::ostream& out = recording.is_open() ? static_cast<std::ostream&>(recording) : kept;
        recorder = std::make_unique<demo::Recorder>(out, header, game.getControls());
    }
    std::unique_ptr<ScriptedPlatform> scripted;
    const bool timedemo = !options.timedemo.empty();
    if (played) {
        scripted = std::make_unique<ScriptedPlatform>();
        // Only the demo turns the view and flips the toggles; the window's own input would
        // make the run another one. Closing the window still ends it.
        glfwSetCursorPosCallback(window, nullptr);
        glfwSetKeyCallback(window, nullptr);
        glfwSetWindowFocusCallback(window, nullptr);
        glfwSetMouseButtonCallback(window, nullptr);
        if (width != played->header.width || height != played->header.height)
            report(Severity::Warning,
                   "The window is " + std::to_string(width) + " x " + std::to_string(height) +
                       ", not the demo's " + std::to_string(played->header.width) + " x " +
                       std::to_string(played->header.height) + ": the replay may differ");
    }

    const long limit = played ? static_cast<long>(played->frames.count()) : options.frames;
    long frames = 0;
    Screenshot shot;
    if (!options.screenshot.empty())
        // Every frame may be the last one (Escape), except in a timedemo, whose timing the read
        // back would change.
        game.setBeforeSwap([&] {
            if (!timedemo || frames + 1 == limit)
                shot.capture(window);
        });

    std::vector<double> frameSeconds;
    std::vector<WorkTally> frameWork;
    Clock::time_point nextFrameAt = Clock::now();
    bool stopped = false;
    // The frame running now: its demo step, and the work and clock before it.
    std::optional<demo::Frame> step;
    WorkTally workBefore;
    Clock::time_point frameStart;
    FrameHooks hooks;
    hooks.before = [&](long n) {
        if (limit != 0 && n >= limit)
            return false;
        step.reset();
        if (played)
            step = played->frames.frameAt(static_cast<size_t>(n));
        if (step) {
            if (!timedemo && n > 0) {
                nextFrameAt += std::chrono::duration_cast<Clock::duration>(
                    std::chrono::duration<double>(std::min(step->delta, MaxPacingSeconds)));
                std::this_thread::sleep_until(nextFrameAt);
            }
            demo::applyBefore(*scripted, *step);
        }
        workBefore = game.work();
        frameStart = Clock::now();
        return true;
    };
    hooks.after = [&](long n, bool goingOn) {
        frameSeconds.push_back(std::chrono::duration<double>(Clock::now() - frameStart).count());
        if (!options.frameTimes.empty())
            frameWork.push_back(game.work() - workBefore);
        if (step)
            demo::applyAfter(game.getControls(), *step);
        if (recorder)
            recorder->endFrame();
        frames = n + 1;
        if (bestRuns)
            bestRuns->afterFrame(frames);
        // The demo holds the keys the game polls; the player's own Escape still ends the run.
        if (played && goingOn && glfwGetKey(window, GLFW_KEY_ESCAPE) == GLFW_PRESS) {
            stopped = true;
            return false;
        }
        return true;
    };
    game.run(hooks);

    RunEnd end = RunEnd::Done;
    const std::string state = demo::stateLine(game, frames);
    if (recorder && recording.is_open()) {
        recorder->finish(state);
        recorder.reset();
        recording.close();
        if (!recording) {
            report(Severity::Error, "Cannot write the demo " + options.record);
            end = RunEnd::Failed;
        }
    }
    if (!options.screenshot.empty()) {
        const std::string why = shot.write(options.screenshot);
        if (!why.empty()) {
            report(Severity::Error,
                   "Cannot write the screenshot " + options.screenshot + ": " + why);
            end = RunEnd::Failed;
        }
    }
    if (!options.frameTimes.empty()) {
        const std::string why =
            outputfile::writeWhole(options.frameTimes, frameTimesCsv(frameSeconds, frameWork));
        if (!why.empty()) {
            report(Severity::Error,
                   "Cannot write the frame times " + options.frameTimes + ": " + why);
            end = RunEnd::Failed;
        }
    }
    if (options.reportsState() || !options.screenshot.empty())
        std::printf("state %s\n", state.c_str());
    if (timedemo) {
        const FrameRates rates = frameRates(frameSeconds);
        std::printf("timedemo %s: %zu frames in %.2f s, %.1f fps average, %.1f fps 1 %% low, "
                    "%.1f fps 0.1 %% low\n",
                    printable(demoPath).c_str(), rates.frames, rates.seconds, rates.averageFps,
                    rates.lowOnePercentFps, rates.lowPointOnePercentFps);
    }
    if (played) {
        if (stopped) {
            report(Severity::Error, "The replay was stopped with Escape at frame " +
                                        std::to_string(frames) + " of " + std::to_string(limit));
            end = RunEnd::Failed;
        } else {
            if (frames < limit)
                report(Severity::Warning, "The replay stopped at frame " + std::to_string(frames) +
                                              " of " + std::to_string(limit) +
                                              ": the window was closed");
            if (state == played->endState) {
                report(Severity::Progress, "The replay ends in the demo's recorded state");
            } else {
                report(Severity::Error,
                       "The replay ends elsewhere than the demo, which recorded: " +
                           played->endState);
                end = RunEnd::Failed;
            }
        }
    }
    std::fflush(stdout);
    return end;
}

} // namespace brindlemox::app
