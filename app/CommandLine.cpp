#include "app/CommandLine.h"

#include "platform/Printable.h"
#include "platform/TextNumbers.h"

#include <cmath>
#include <set>

namespace brindlemox::app {

using namespace platform;

namespace {

// The words of a comma-separated value: exactly count of them, each a finite number within the
// coordinate limit.
std::optional<std::vector<double>> numberList(const std::string& value, size_t count) {
    std::vector<double> numbers;
    size_t start = 0;
    for (;;) {
        const size_t comma = value.find(',', start);
        const size_t end = comma == std::string::npos ? value.size() : comma;
        const std::optional<double> number =
            textnum::parseFinite(std::string_view(value).substr(start, end - start));
        if (!number || std::fabs(*number) > CoordinateLimit || numbers.size() == count)
            return std::nullopt;
        numbers.push_back(*number);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (numbers.size() != count)
        return std::nullopt;
    return numbers;
}

} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments, int levelCount) {
    CommandLine line;
    std::set<std::string> seen;
    const auto refuse = [&line](const std::string& why) {
        line.error = printable(why); // it may echo what was typed
        return line;
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::optional<std::string> value;
        const size_t equals = option.find('=');
        if (option.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
        }
        if (option == "-h")
            option = "--help";
        if (option == "--help" || option == "--version" || option == "--mute") {
            if (value)
                return refuse(option + " takes no value");
            (option == "--help"      ? line.help
             : option == "--version" ? line.version
                                     : line.mute) = true;
            continue;
        }
        if (option == "--fullscreen" || option == "--windowed") {
            if (value)
                return refuse(option + " takes no value");
            const bool full = option == "--fullscreen";
            if (line.fullscreen && *line.fullscreen != full)
                return refuse("--fullscreen and --windowed cannot be combined");
            seen.insert(option);
            line.fullscreen = full;
            continue;
        }
        static const std::set<std::string> valued = {
            "--data", "--level",  "--level-file", "--frames",   "--screenshot", "--at",
            "--look", "--record", "--replay",     "--timedemo", "--size",       "--frame-times"};
        if (valued.count(option) == 0)
            return refuse(option.rfind('-', 0) == 0 ? "unknown option '" + option + "'"
                                                    : "unexpected argument '" + option + "'");
        if (!seen.insert(option).second)
            return refuse(option + " is given twice");
        if (!value) {
            if (i + 1 == arguments.size())
                return refuse(option + " needs a value");
            value = arguments[++i];
        }
        const std::string& v = *value;
        if (v.empty())
            return refuse(option + " needs a value");
        if (option == "--data") {
            line.dataDir = v;
        } else if (option == "--level") {
            const std::optional<long long> n = textnum::parseWhole(v);
            if (!n || *n < 1 || *n > levelCount)
                return refuse("--level takes a level from 1 to " + std::to_string(levelCount) +
                              ", not '" + v + "'");
            line.level = static_cast<int>(*n);
        } else if (option == "--level-file") {
            line.levelFile = v;
        } else if (option == "--frames") {
            const std::optional<long long> n = textnum::parseWhole(v);
            if (!n || *n < 1 || *n > MaxFrames)
                return refuse("--frames takes a whole number from 1 to " +
                              std::to_string(MaxFrames) + ", not '" + v + "'");
            line.frames = static_cast<long>(*n);
        } else if (option == "--at") {
            const auto xyz = numberList(v, 3);
            if (!xyz)
                return refuse("--at takes X,Y,Z (three numbers), not '" + v + "'");
            line.at = glm::vec3((*xyz)[0], (*xyz)[1], (*xyz)[2]);
        } else if (option == "--look") {
            const auto angles = numberList(v, 2);
            if (!angles)
                return refuse("--look takes YAW,PITCH (two numbers, degrees), not '" + v + "'");
            line.look = glm::dvec2((*angles)[0], (*angles)[1]);
        } else if (option == "--size") {
            const size_t x = v.find('x');
            const std::optional<long long> w =
                x == std::string::npos ? std::nullopt : textnum::parseWhole(v.substr(0, x));
            const std::optional<long long> h =
                x == std::string::npos ? std::nullopt : textnum::parseWhole(v.substr(x + 1));
            if (!w || !h || *w < 1 || *h < 1 || *w > MaxWindowSide || *h > MaxWindowSide)
                return refuse("--size takes WIDTHxHEIGHT (each from 1 to " +
                              std::to_string(MaxWindowSide) + "), not '" + v + "'");
            line.width = static_cast<int>(*w);
            line.height = static_cast<int>(*h);
        } else if (option == "--screenshot") {
            line.screenshot = v;
        } else if (option == "--record") {
            line.record = v;
        } else if (option == "--replay") {
            line.replay = v;
        } else if (option == "--frame-times") {
            line.frameTimes = v;
        } else {
            line.timedemo = v;
        }
    }
    // A demo fixes its own start and length.
    const char* demoOption = !line.replay.empty() ? "--replay" : "--timedemo";
    if (!line.replay.empty() && !line.timedemo.empty())
        return refuse("--replay and --timedemo cannot be combined");
    if (line.playsDemo() && !line.record.empty())
        return refuse(std::string("--record and ") + demoOption + " cannot be combined");
    if (!line.frameTimes.empty() && line.timedemo.empty())
        return refuse("--frame-times needs --timedemo");
    if (!line.levelFile.empty() && line.level > 1)
        return refuse("--level-file plays one level: --level cannot be " +
                      std::to_string(line.level));
    if (line.playsDemo()) {
        for (const char* fixed : {"--level", "--level-file", "--frames", "--at", "--look", "--size",
                                  "--fullscreen", "--windowed"})
            if (seen.count(fixed) > 0)
                return refuse(std::string(fixed) + " cannot be combined with " + demoOption +
                              " (the demo sets it)");
    }
    return line;
}

std::string usageText() {
    return "Usage: brindlemox [OPTION]...\n"
           "Plays Brindlemox. Without options it plays from the first level until Escape.\n"
           "\n"
           "  -h, --help            print these lines and quit\n"
           "      --version         print the version and quit\n"
           "      --mute            play without sound\n"
           "      --data DIR        use the game data in DIR (Config/, Shader/, Obj/, ...)\n"
           "      --level N         start at level N\n"
           "      --level-file FILE play only the level in FILE (docs/LEVELS.md)\n"
           "      --frames N        quit after N frames\n"
           "      --screenshot FILE write the last frame to FILE as PNG at exit\n"
           "      --at X,Y,Z        put the player at X,Y,Z for the first frame\n"
           "      --look YAW,PITCH  look along YAW,PITCH (degrees) for the first frame\n"
           "      --fullscreen      play full screen (F11 switches while playing)\n"
           "      --windowed        play in a window\n"
           "      --size WxH        the window's size, e.g. 1280x720 (windowed unless\n"
           "                        --fullscreen is given too)\n"
           "      --record FILE     record the run's input to the demo FILE\n"
           "      --replay FILE     play the demo FILE back at its pace and check its end\n"
           "      --timedemo FILE   play the demo FILE back as fast as frames render and print\n"
           "                        the frame rate: average, 1 % low and 0.1 % low\n"
           "      --frame-times FILE\n"
           "                        with --timedemo: write each frame's time in ms and what\n"
           "                        it compiled, uploaded or built to FILE as CSV\n"
           "\n"
           "Without --data the data is looked for in the working directory, then beside the\n"
           "program (data/, ../share/games/brindlemox/). Runs with --frames, --record,\n"
           "--replay or --timedemo end with a line of the game's state.\n";
}

} // namespace brindlemox::app
