#pragma once

// An environment variable set for one scope, as a test or the child it starts needs it.

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace testenv {

// Sets name to value (nullptr unsets it) and puts back what was there on destruction.
class ScopedVariable {
  public:
    ScopedVariable(std::string variable, const char* value) : name(std::move(variable)) {
        if (const char* before = std::getenv(name.c_str()))
            saved = before;
        value != nullptr ? setenv(name.c_str(), value, 1) : unsetenv(name.c_str());
    }
    ~ScopedVariable() { saved ? setenv(name.c_str(), saved->c_str(), 1) : unsetenv(name.c_str()); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    std::string name;
    std::optional<std::string> saved;
};

} // namespace testenv
