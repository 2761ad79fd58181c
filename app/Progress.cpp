#include "app/Progress.h"

#include "platform/DataFile.h"
#include "platform/OutputFile.h"
#include "platform/PlayerFiles.h"
#include "platform/Printable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace brindlemox::app {

using namespace platform;

namespace {

// Longer than any real run (a hundred hours), and a value a float still tells apart.
constexpr double MaxSeconds = 3.6e5;
constexpr std::uintmax_t MaxProgressBytes = 1u << 20;

bool isId(const std::string& id) {
    return !id.empty() && id.find_first_of(std::string("\r\n\0", 3)) == std::string::npos &&
           id.find("..") == std::string::npos && id.front() != '/';
}

} // namespace

bool Progress::offer(const std::string& id, double seconds) {
    if (!isId(id) || !std::isfinite(seconds) || seconds < 0.0 || seconds > MaxSeconds)
        return false;
    const auto best = bestSeconds.find(id);
    if (best != bestSeconds.end() && best->second <= seconds)
        return false;
    bestSeconds[id] = seconds;
    return true;
}

Result<Progress> parseProgress(const std::string& text) {
    Progress progress;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const auto wrong = [&](const std::string& what) {
            return fail("line " + std::to_string(number) + " " + what);
        };
        // "best SECONDS ID": the id runs to the line's end (a folder name may hold spaces).
        const size_t space = line.find(' ', 5);
        if (line.compare(0, 5, "best ") != 0 || space == std::string::npos)
            return wrong("is not 'best SECONDS LEVEL'");
        const std::string value = line.substr(5, space - 5);
        const std::string id = line.substr(space + 1);
        char* end = nullptr;
        const double seconds = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !std::isfinite(seconds) || seconds < 0.0 ||
            seconds > MaxSeconds)
            return wrong("has no time of 0 to " + std::to_string(static_cast<long>(MaxSeconds)) +
                         " seconds");
        if (!isId(id))
            return wrong("names no level");
        if (progress.bestSeconds.count(id) != 0)
            return wrong("names " + printable(id) + " again");
        if (progress.bestSeconds.size() >= MaxProgressLevels)
            return wrong("is one level too many");
        progress.bestSeconds[id] = seconds;
    }
    return {std::move(progress)};
}

std::string progressText(const Progress& progress) {
    std::string text = "# Brindlemox progress: the best time of each level finished, in "
                       "seconds.\n";
    for (const auto& [id, seconds] : progress.bestSeconds) {
        char number[40];
        // Exact enough to read back the same double.
        std::snprintf(number, sizeof number, "%.17g", seconds);
        text += std::string("best ") + number + " " + id + "\n";
    }
    return text;
}

std::filesystem::path progressFile() {
    const std::filesystem::path folder = playerfiles::dataFolder();
    return folder.empty() ? folder : folder / "progress.txt";
}

std::filesystem::path bestRunFile(const std::string& id) {
    const std::filesystem::path folder = playerfiles::dataFolder();
    return folder.empty() || !isId(id) ? std::filesystem::path() : folder / "best" / (id + ".demo");
}

Progress readProgress(const std::filesystem::path& file) {
    if (file.empty())
        return {};
    datafile::Refusal why;
    const std::optional<std::string> text =
        datafile::read(file.string(), MaxProgressBytes, &why, datafile::Links::Refused);
    if (!text) {
        if (!datafile::isMissing(why))
            report(Severity::Warning, "Cannot read the progress " + printable(file.string()) +
                                          ": " + datafile::describe(why, MaxProgressBytes) +
                                          "; starting without it");
        return {};
    }
    Result<Progress> read = parseProgress(*text);
    if (!read) {
        report(Severity::Warning, "The progress " + printable(file.string()) + " is damaged (" +
                                      read.error() + "); starting without it");
        return {};
    }
    return std::move(*read);
}

namespace {

Result<void> writeFile(const std::filesystem::path& file, const std::string& text) {
    if (file.empty())
        return fail("neither XDG_DATA_HOME nor HOME names a folder");
    Result<void> folder = playerfiles::makeFolder(file.parent_path());
    if (!folder)
        return folder;
    const std::string why = outputfile::writeWhole(file.string(), text);
    if (!why.empty())
        return fail(printable(file.string()) + ": " + why);
    return {};
}

} // namespace

Result<void> writeProgress(const std::filesystem::path& file, const Progress& progress) {
    return writeFile(file, progressText(progress));
}

Result<void> writeBestRun(const std::string& id, const std::string& demoText) {
    return writeFile(bestRunFile(id), demoText);
}

std::string bestTimeText(double seconds) {
    const double bounded = std::isfinite(seconds) ? std::clamp(seconds, 0.0, MaxSeconds) : 0.0;
    const long hundredths = std::lround(std::floor(bounded * 100.0));
    char text[40];
    std::snprintf(text, sizeof text, "%ld:%02ld.%02ld", hundredths / 6000, hundredths / 100 % 60,
                  hundredths % 100);
    return text;
}

} // namespace brindlemox::app
