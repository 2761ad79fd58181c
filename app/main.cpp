#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/Game.h"
#include "app/Session.h"
#include "platform/OutputFile.h"
#include "platform/Platform.h"
#include "platform/Report.h"

#include <GLFW/glfw3.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

using namespace brindlemox::platform;
using namespace brindlemox::app;

// The game reads everything relative to its working directory; started elsewhere, it changes into
// the first folder that holds its data.
int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    CommandLine options = parseCommandLine(arguments, Game::DefaultLevelCount);
    if (!options.error.empty()) {
        report(Severity::Error, "brindlemox: " + options.error);
        std::fprintf(stderr, "\n%s", usageText().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("brindlemox %s\n", BRINDLEMOX_VERSION);
        return 0;
    }

    // An output that is not a regular file (a pipe would block, a device swallow the bytes) is
    // refused before any window opens.
    for (const auto& [what, file] :
         {std::pair<const char*, const std::string*>{"screenshot", &options.screenshot},
          {"demo", &options.record},
          {"frame times", &options.frameTimes}}) {
        const std::string why = file->empty() ? "" : outputfile::refusal(*file);
        if (!why.empty()) {
            report(Severity::Error, std::string("brindlemox: cannot write the ") + what + " to " +
                                        *file + ": " + why);
            return 2;
        }
    }

    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    const std::vector<std::filesystem::path> candidates =
        datafolder::candidates(here, options.dataDir, datafolder::programDir());
    const std::optional<std::filesystem::path> data = datafolder::find(candidates);
    if (!data) {
        report(Severity::Error, datafolder::notFoundLine(candidates));
        return 1;
    }
    if (*data != here) {
        // Files named on the command line are where the user named them, not in the data folder.
        for (std::string* file : {&options.screenshot, &options.record, &options.replay,
                                  &options.timedemo, &options.levelFile, &options.frameTimes})
            if (!file->empty() && std::filesystem::path(*file).is_relative())
                *file = (here / *file).string();
        std::filesystem::current_path(*data, error);
        if (error) {
            report(Severity::Error,
                   "Cannot enter the game data in " + data->string() + ": " + error.message());
            return 1;
        }
    }

    // A best run chosen in the level list is replayed on its own, then the title shows again.
    RunEnd end = RunEnd::Done;
    for (;;) {
        CommandLine watch;
        end = runSession(options, &watch);
        if (end != RunEnd::Done || watch.replay.empty())
            break;
        if (runSession(watch) == RunEnd::NoWindow) {
            end = RunEnd::NoWindow;
            break;
        }
    }
    glfwTerminate();
    switch (end) {
    case RunEnd::Done:
        return 0;
    case RunEnd::Failed:
        return 1;
    case RunEnd::NoWindow:
        // The line stays on a console that would close with the game.
        consolePause();
        return -1;
    }
    return 1;
}
