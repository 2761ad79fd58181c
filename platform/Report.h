#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace brindlemox::platform {

// How the game tells the player of a problem: one line on standard error, in the message's own
// words, with control characters escaped (text from files and the command line cannot drive the
// terminal). Progress lines ("Compiling shader : ...") go the same way, so the player's terminal
// shows everything in the order it happened.
enum class Severity { Progress, Warning, Error };
void report(Severity severity, std::string_view message);
// Lines less severe than least are dropped from now on (tools whose figures would drown in the
// progress lines of many start-ups).
void reportOnlyFrom(Severity least);

// What a step that can fail hands back: its value, or the one line that says why not.
template <class T> class [[nodiscard]] Result {
  public:
    Result(T value) : held(std::move(value)) {}
    static Result failure(std::string why) {
        Result result;
        result.why = std::move(why);
        return result;
    }
    bool ok() const { return held.has_value(); }
    explicit operator bool() const { return ok(); }
    T& value() { return *held; }
    const T& value() const { return *held; }
    T& operator*() { return *held; }
    const T& operator*() const { return *held; }
    T* operator->() { return &*held; }
    const T* operator->() const { return &*held; }
    // Empty when ok.
    const std::string& error() const { return why; }

  private:
    Result() = default;
    std::optional<T> held;
    std::string why;
};

// A step that hands back nothing but may fail.
template <> class [[nodiscard]] Result<void> {
  public:
    Result() = default;
    static Result failure(std::string why) {
        Result result;
        result.why = why.empty() ? std::string("failed") : std::move(why);
        return result;
    }
    bool ok() const { return why.empty(); }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return why; }

  private:
    std::string why;
};

// Result<T>::failure without naming T: `return fail("...")` converts to any Result.
struct Failure {
    std::string why;
    template <class T> operator Result<T>() const { return Result<T>::failure(why); }
};
inline Failure fail(std::string why) {
    return Failure{std::move(why)};
}

} // namespace brindlemox::platform
