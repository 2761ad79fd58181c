#include "app/DemoFormat.h"

#include "app/CommandLine.h"
#include "app/DemoKeys.h"
#include "platform/Config.h"
#include "platform/DataFile.h"
#include "platform/Printable.h"
#include "platform/TextNumbers.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string_view>
#include <vector>

namespace brindlemox::app {

using namespace platform;

namespace demo {

namespace {

std::string keyList(unsigned bits) {
    std::string text;
    for (size_t i = 0; i < PolledKeyCount; ++i)
        if ((bits & (1u << i)) != 0)
            text += (text.empty() ? "" : ",") + std::string(PolledKeys[i].name);
    return text;
}

// The parts of a text between separators, one at a time: a line or a list of millions of parts
// is never held as a list of its own (a 99 MB line of toggles once took 600 MB that way).
class Parts {
  public:
    Parts(std::string_view text, char separator) : text(text), separator(separator) {}
    // False past the last part; an empty text is one empty part.
    bool next(std::string_view& part) {
        if (done)
            return false;
        const size_t end = text.find(separator, at);
        done = end == std::string_view::npos;
        part = text.substr(at, (done ? text.size() : end) - at);
        at = end + 1;
        return true;
    }
    // The last part has been taken.
    bool finished() const { return done; }

  private:
    std::string_view text;
    char separator;
    size_t at = 0;
    bool done = false;
};

// The words of a line (runs of anything but spaces and tabs), one at a time.
class Words {
  public:
    explicit Words(std::string_view line) : line(line) {}
    bool next(std::string_view& word) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
            ++at;
        const size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t')
            ++at;
        word = line.substr(start, at - start);
        return at > start;
    }

  private:
    std::string_view line;
    size_t at = 0;
};

// The first few words of a line: every line but a frame's has at most a handful.
std::vector<std::string_view> firstWords(std::string_view line, size_t most) {
    std::vector<std::string_view> found;
    Words words(line);
    std::string_view word;
    while (found.size() < most && words.next(word))
        found.push_back(word);
    return found;
}

// A short excerpt of untrusted text for an error line, control characters escaped.
std::string excerpt(std::string_view text) {
    return "'" + printable(text.substr(0, 24)) + (text.size() > 24 ? "...'" : "'");
}

template <class T = double> std::optional<T> bounded(std::string_view word, double limit) {
    const std::optional<T> value = textnum::parseFinite<T>(word);
    if (!value || std::fabs(*value) > limit)
        return std::nullopt;
    return value;
}

// A bound as an error line shows it.
std::string whole(double bound) {
    return std::to_string(static_cast<long long>(bound));
}

std::optional<int> whole(std::string_view word, int low, int high) {
    const std::optional<long long> value = textnum::parseWhole(word);
    if (!value || *value < low || *value > high)
        return std::nullopt;
    return static_cast<int>(*value);
}

// Polled keys by name into bits; nothing when a name is unknown or repeated.
std::optional<unsigned> parseKeys(std::string_view list) {
    unsigned bits = 0;
    Parts names(list, ',');
    for (std::string_view name; names.next(name);) {
        size_t i = 0;
        while (i < PolledKeyCount && name != PolledKeys[i].name)
            ++i;
        if (i == PolledKeyCount || (bits & (1u << i)) != 0)
            return std::nullopt;
        bits |= 1u << i;
    }
    return bits;
}

// Display toggles by name, straight into frames; false when a name is unknown.
bool parseToggles(std::string_view list, FrameList& frames) {
    Parts names(list, ',');
    for (std::string_view name; names.next(name);) {
        const auto* found = std::find_if(std::begin(ToggleKeys), std::end(ToggleKeys),
                                         [name](const KeyName& k) { return name == k.name; });
        if (found == std::end(ToggleKeys))
            return false;
        frames.addToggle(found->key);
    }
    return true;
}

// The lines of a text one by one, without their line end (nor a carriage return before it).
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text(text) {}
    // False past the last line. cut: the line has no line end (the text stops inside it).
    bool next(std::string_view& line, bool& cut) {
        if (at >= text.size())
            return false;
        const size_t end = text.find('\n', at);
        cut = end == std::string_view::npos;
        line = text.substr(at, (cut ? text.size() : end) - at);
        at = cut ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++number;
        return true;
    }
    // 1-based number of the last line read.
    size_t number = 0;

  private:
    std::string_view text;
    size_t at = 0;
};

// One "f" line into frames, its toggles and moves as they are read (so the line's text is the
// most a long line costs besides the frames); an error phrase when it is not a frame, and then
// frames holds a part of it.
bool parseFrame(std::string_view line, FrameList& frames, std::string& error) {
    Frame frame;
    Words w(line);
    std::string_view word;
    w.next(word); // "f"
    const std::optional<double> delta = textnum::parseFinite(w.next(word) ? word : "");
    if (!delta || *delta < 0.0 || *delta > MaxDelta) {
        error = "no delta time from 0 to " + whole(MaxDelta) + " s";
        return false;
    }
    frame.delta = *delta;
    bool seenHold = false, seenTap = false, seenKey = false, seenPause = false, seenPad = false;
    while (w.next(word)) {
        const size_t equals = word.find('=');
        const std::string_view name = word.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : word.substr(equals + 1);
        if ((name == "hold" && !seenHold) || (name == "tap" && !seenTap)) {
            const std::optional<unsigned> bits = parseKeys(value);
            if (!bits) {
                error = "unknown or repeated key in " + excerpt(word);
                return false;
            }
            (name == "hold" ? frame.held : frame.tapped) = *bits;
            (name == "hold" ? seenHold : seenTap) = true;
        } else if (name == "key" && !seenKey) {
            if (!parseToggles(value, frames)) {
                error = "unknown toggle key in " + excerpt(word);
                return false;
            }
            seenKey = true;
        } else if (name == "pause" && !seenPause) {
            if (value != "on" && value != "off") {
                error = "a pause is on or off, not " + excerpt(word);
                return false;
            }
            frame.pause = value == "on";
            seenPause = true;
        } else if (name == "pad" && !seenPad) {
            Parts parts(value, ',');
            std::string_view part;
            bool valid = true;
            for (size_t a = 0; valid && a < 6; ++a) {
                const std::optional<float> axis =
                    parts.next(part) ? bounded<float>(part, 1.0) : std::nullopt;
                valid = axis.has_value();
                if (valid)
                    frame.pad.axes[a] = *axis;
            }
            valid = valid && parts.next(part) && parts.finished();
            const std::optional<long long> buttons =
                valid ? textnum::parseWhole(part) : std::nullopt;
            if (!buttons || *buttons < 0 || *buttons > MaxPadButtons) {
                error = "a pad is six axes from -1 to 1 and the buttons (0 to " +
                        std::to_string(MaxPadButtons) + "), not " + excerpt(word);
                return false;
            }
            frame.pad.buttons = static_cast<unsigned>(*buttons);
            frame.pad.connected = true;
            seenPad = true;
        } else if (name == "move") {
            const size_t comma = value.find(',');
            const std::optional<double> dx = bounded(value.substr(0, comma), MaxMove);
            const std::optional<double> dy = comma == std::string_view::npos
                                                 ? std::nullopt
                                                 : bounded(value.substr(comma + 1), MaxMove);
            if (!dx || !dy) {
                error = "a move is DX,DY (pixels, at most " + whole(MaxMove) + "), not " +
                        excerpt(word);
                return false;
            }
            frames.addMove(*dx, *dy);
        } else {
            error = "unknown or repeated field " + excerpt(word);
            return false;
        }
    }
    if ((frame.held & frame.tapped) != 0) {
        error = "a key both held and tapped";
        return false;
    }
    frames.closeFrame(frame);
    return true;
}

// One header line into header; an error phrase when it is not one.
bool parseHeaderLine(const std::vector<std::string_view>& w, Header& header, std::string& error) {
    const std::string_view key = w[0];
    const size_t values = w.size() - 1;
    if (key == "level") {
        const std::optional<int> level = values == 1 ? whole(w[1], 1, MaxLevel) : std::nullopt;
        if (!level)
            error = "the level is a number from 1 to " + std::to_string(MaxLevel);
        else
            header.level = *level;
    } else if (key == "window") {
        const std::optional<int> width = values == 2 ? whole(w[1], 1, MaxWindowSide) : std::nullopt;
        const std::optional<int> height =
            values == 2 ? whole(w[2], 1, MaxWindowSide) : std::nullopt;
        if (!width || !height) {
            error = "the window is WIDTH HEIGHT, each from 1 to " + std::to_string(MaxWindowSide);
        } else {
            header.width = *width;
            header.height = *height;
        }
    } else if (key == "sensitivity") {
        const std::optional<float> s =
            values == 1 ? bounded<float>(w[1], MaxSensitivity) : std::nullopt;
        if (!s)
            error = "the sensitivity is one number";
        else
            header.sensitivity = *s;
    } else if (key == "at") {
        std::optional<float> xyz[3];
        for (size_t i = 0; i < 3 && values == 3; ++i)
            xyz[i] = bounded<float>(w[i + 1], CoordinateLimit);
        if (!xyz[0] || !xyz[1] || !xyz[2])
            error = "the placement is X Y Z, within " + whole(CoordinateLimit);
        else
            header.at = glm::vec3(*xyz[0], *xyz[1], *xyz[2]);
    } else if (key == "look") {
        const std::optional<double> yaw =
            values == 2 ? bounded(w[1], CoordinateLimit) : std::nullopt;
        const std::optional<double> pitch =
            values == 2 ? bounded(w[2], CoordinateLimit) : std::nullopt;
        if (!yaw || !pitch)
            error = "the view is YAW PITCH, within " + whole(CoordinateLimit);
        else
            header.look = glm::dvec2(*yaw, *pitch);
    } else if (key == "fov") {
        // The settings' own bounds: the game never records another value, and a view of almost
        // nothing or almost everything draws nothing of the level.
        const std::optional<float> fov = values == 1 ? bounded<float>(w[1], 180.0) : std::nullopt;
        if (!fov || *fov < Config::MinFov || *fov > Config::MaxFov)
            error = "the field of view is one angle from " + textnum::shortest(Config::MinFov) +
                    " to " + textnum::shortest(Config::MaxFov) + " degrees";
        else
            header.fov = fov;
    } else if (key == "invertMouse") {
        if (values != 1 || (w[1] != "yes" && w[1] != "no"))
            error = "invertMouse is yes or no";
        else
            header.invertMouse = w[1] == "yes";
    } else if (key == "gamepadDeadzone") {
        const std::optional<float> zone = values == 1 ? bounded<float>(w[1], 1.0) : std::nullopt;
        if (!zone || *zone < 0.0f || *zone > Config::MaxGamepadDeadzone)
            error = "the gamepad dead zone is one number from 0 to " +
                    textnum::shortest(Config::MaxGamepadDeadzone);
        else
            header.gamepadDeadzone = zone;
    } else {
        error = "unknown line " + excerpt(key);
    }
    return error.empty();
}

} // namespace

std::string headerText(const Header& header) {
    std::string text = std::string(Magic) + " " + std::to_string(Version) + "\n";
    text += "level " + std::to_string(header.level) + "\n";
    text += "window " + std::to_string(header.width) + " " + std::to_string(header.height) + "\n";
    text += "sensitivity " + textnum::shortest(header.sensitivity) + "\n";
    if (header.at)
        text += "at " + textnum::shortest(header.at->x) + " " + textnum::shortest(header.at->y) +
                " " + textnum::shortest(header.at->z) + "\n";
    if (header.look)
        text += "look " + textnum::shortest(header.look->x) + " " +
                textnum::shortest(header.look->y) + "\n";
    if (!header.levelFile.empty())
        text += "levelfile " + header.levelFile + "\n";
    if (header.fov)
        text += "fov " + textnum::shortest(*header.fov) + "\n";
    if (header.invertMouse)
        text += std::string("invertMouse ") + (*header.invertMouse ? "yes" : "no") + "\n";
    if (header.gamepadDeadzone)
        text += "gamepadDeadzone " + textnum::shortest(*header.gamepadDeadzone) + "\n";
    return text;
}

std::string frameLine(const Frame& frame) {
    std::string line = "f " + textnum::shortest(frame.delta);
    if (frame.held != 0)
        line += " hold=" + keyList(frame.held);
    if (frame.tapped != 0)
        line += " tap=" + keyList(frame.tapped);
    if (!frame.toggles.empty()) {
        line += " key=";
        for (size_t i = 0; i < frame.toggles.size(); ++i) {
            const auto* found =
                std::find_if(std::begin(ToggleKeys), std::end(ToggleKeys),
                             [&](const KeyName& k) { return k.key == frame.toggles[i]; });
            line += (i > 0 ? "," : "") +
                    std::string(found != std::end(ToggleKeys) ? found->name : "F2");
        }
    }
    for (const auto& [dx, dy] : frame.moves)
        line += " move=" + textnum::shortest(dx) + "," + textnum::shortest(dy);
    if (frame.pause)
        line += *frame.pause ? " pause=on" : " pause=off";
    if (frame.pad.connected) {
        line += " pad=";
        for (float axis : frame.pad.axes)
            line += textnum::shortest(axis) + ",";
        line += std::to_string(frame.pad.buttons);
    }
    return line + "\n";
}

std::string endLine(const std::string& state) {
    return "end " + state + "\n";
}

ParseResult parse(const std::string& text) {
    ParseResult result;
    const auto fail = [&result](const std::string& why) {
        result.error = why;
        return result;
    };
    LineReader lines(text);
    std::string_view first;
    bool cut = false;
    const std::string magic = std::string(Magic) + " ";
    if (!lines.next(first, cut) || first.substr(0, magic.size()) != magic)
        return fail("not a Brindlemox demo");
    const std::optional<long long> version = textnum::parseWhole(first.substr(magic.size()));
    if (!version)
        return fail("not a Brindlemox demo");
    if (*version != Version)
        return fail("a demo of format version " + std::to_string(*version) +
                    "; this game plays version " + std::to_string(Version));

    Demo demo;
    // Exact room, counted from the text, so the arrays never grow past what they hold.
    const auto occurrences = [&text](std::string_view word) {
        size_t count = 0;
        for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
            ++count;
        return count;
    };
    demo.frames.makeRoom(std::min(occurrences("\nf"), MaxFrames),
                         occurrences("key=") + occurrences(","), occurrences("move="));
    std::vector<std::string> headerSeen;
    bool ended = false;
    std::string_view line;
    while (lines.next(line, cut)) {
        const std::string where = "line " + std::to_string(lines.number) + ": ";
        // A header or end line has at most four values; a frame line is read word by word.
        const std::vector<std::string_view> w = firstWords(line, 6);
        if (ended) {
            if (w.empty())
                continue;
            return fail(where + "text after the end line");
        }
        if (w.empty()) {
            if (cut)
                break;
            return fail(where + "empty line");
        }
        std::string error;
        if (w[0] == "f") {
            if (demo.frames.count() == MaxFrames)
                error = "more than " + std::to_string(MaxFrames) + " frames";
            else
                parseFrame(line, demo.frames, error);
        } else if (w[0] == "end") {
            // The state is the rest of the line after "end" and its spaces; a demo is whole only
            // with the end line's own line end.
            if (cut)
                break;
            if (demo.frames.isEmpty())
                error = "no frames before the end line";
            else if (w.size() < 2)
                error = "the end line holds no state";
            else
                demo.endState =
                    std::string(line.substr(static_cast<size_t>(w[1].data() - line.data())));
            ended = error.empty();
        } else if (!demo.frames.isEmpty()) {
            error = "unknown line " + excerpt(w[0]);
        } else if (std::find(headerSeen.begin(), headerSeen.end(), w[0]) != headerSeen.end()) {
            error = excerpt(w[0]) + " given twice";
        } else {
            headerSeen.emplace_back(w[0]);
            if (w[0] == "levelfile") {
                // The path is the rest of the line, so it may hold spaces.
                const std::string_view path =
                    w.size() < 2 ? std::string_view()
                                 : line.substr(static_cast<size_t>(w[1].data() - line.data()));
                if (path.empty() || path.size() > MaxLevelFilePath)
                    error = "the level file is a path of at most " +
                            std::to_string(MaxLevelFilePath) + " characters";
                else
                    demo.header.levelFile = std::string(path);
            } else {
                parseHeaderLine(w, demo.header, error);
            }
        }
        if (!error.empty()) {
            if (cut)
                break;
            return fail(where + error);
        }
    }
    if (!ended)
        return fail("cut short after " + std::to_string(demo.frames.count()) +
                    " frames (no end line)");
    for (const char* required : {"level", "window", "sensitivity"})
        if (std::find(headerSeen.begin(), headerSeen.end(), required) == headerSeen.end())
            return fail(std::string("no ") + required + " line");
    result.demo = std::move(demo);
    return result;
}

ParseResult load(const std::string& path) {
    datafile::Refusal why;
    const std::optional<std::string> text = datafile::read(path, MaxBytes, &why);
    if (!text) {
        ParseResult result;
        // The system's own words for a file it cannot open (missing, permission denied, a loop
        // of links); a pipe, a device, a folder or a huge file is named as such.
        result.error = why.error != 0 ? datafile::describe(why, MaxBytes)
                                      : "not a regular file of at most " +
                                            std::to_string(MaxBytes >> 20) + " MB";
        return result;
    }
    return parse(*text);
}

} // namespace demo

} // namespace brindlemox::app
