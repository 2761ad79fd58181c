#pragma once

// The values of one level file line, as the entity kinds' readers take them (levels/EntityKinds).

#include "levels/LevelFile.h"
#include "platform/Printable.h"
#include "platform/TextNumbers.h"

#include <glm/vec3.hpp>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brindlemox::levels {

namespace levelfile {

// A bound as a person writes it (100000, not 1e+05).
inline std::string text(double bound) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.10g", bound);
    return buffer;
}

// "a, b, c" + last + "d".
template <class Names> std::string listed(const Names& names, const char* last) {
    std::string list;
    for (size_t i = 0; i < names.size(); ++i)
        list += (i == 0 ? "" : i + 1 == names.size() ? last : ", ") + std::string(names[i]);
    return list;
}

// The values of one line, taken left to right; the first that is not what the key expects
// leaves its phrase in error and every later take fails.
class Values {
  public:
    // line: the whole line without its comment; its first word is the key.
    explicit Values(std::string_view line) : line(line), w(platform::textnum::words(line)) {}
    bool blank() const { return w.empty(); }
    std::string_view key() const { return w[0]; }
    bool more() const { return next < w.size(); }
    bool failed() const { return !error.empty(); }
    // What is wrong, after "KEY: "; empty while every take succeeded.
    std::string error;

    std::optional<double> number(const std::string& what, double low, double high) {
        if (failed())
            return std::nullopt;
        const std::optional<double> n =
            next < w.size() ? platform::textnum::parseFinite(w[next]) : std::nullopt;
        if (!n || *n < low || *n > high)
            return refuse(what + " (a number from " + text(low) + " to " + text(high) + ")");
        ++next;
        return n;
    }
    std::optional<float> between(const std::string& what, double low, double high) {
        const std::optional<double> n = number(what, low, high);
        return n ? std::optional<float>(static_cast<float>(*n)) : std::nullopt;
    }
    std::optional<long long> whole(const std::string& what, long long low, long long high) {
        if (failed())
            return std::nullopt;
        const std::optional<long long> n =
            next < w.size() ? platform::textnum::parseWhole(w[next]) : std::nullopt;
        if (!n || *n < low || *n > high)
            return refuse(what + " (a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high) + ")");
        ++next;
        return n;
    }
    std::optional<glm::vec3> position(const std::string& what) {
        glm::vec3 p(0.0f);
        for (int axis = 0; axis < 3 && !failed(); ++axis) {
            const std::optional<double> n =
                next < w.size() ? platform::textnum::parseFinite(w[next]) : std::nullopt;
            if (!n || std::fabs(*n) > MaxCoordinate)
                return refuse(what + " X Y Z (numbers from " + text(-MaxCoordinate) + " to " +
                              text(MaxCoordinate) + ")");
            p[axis] = static_cast<float>(*n);
            ++next;
        }
        return p;
    }
    std::optional<std::string_view> word(const std::string& what) {
        if (failed())
            return std::nullopt;
        if (next == w.size())
            return refuse(what);
        return w[next++];
    }
    // The rest of the line after the key, without the blanks around it; takes every value.
    std::string_view rest() {
        if (w.empty())
            return {};
        std::string_view after =
            line.substr(static_cast<size_t>(w[0].data() + w[0].size() - line.data()));
        while (!after.empty() && (after.front() == ' ' || after.front() == '\t'))
            after.remove_prefix(1);
        while (!after.empty() && (after.back() == ' ' || after.back() == '\t'))
            after.remove_suffix(1);
        next = w.size();
        return after;
    }
    // A line the key refuses for a reason of its own: the whole phrase after "KEY: ".
    std::nullopt_t reject(const std::string& why) {
        if (error.empty())
            error = why;
        return std::nullopt;
    }
    // After the last value the key takes.
    void end() {
        if (!failed() && more())
            refuse("nothing after the values, not '" + platform::printable(w[next]) + "'");
    }

  private:
    std::nullopt_t refuse(const std::string& expected) { return reject("expected " + expected); }
    std::string_view line;
    std::vector<std::string_view> w;
    size_t next = 1; // after the key
};

} // namespace levelfile

} // namespace brindlemox::levels
