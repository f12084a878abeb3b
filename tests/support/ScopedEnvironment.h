#pragma once
// An environment variable set (or removed) for a scope: the value it had (or its absence) comes back on every way
// out, so a failing test cannot leave its setting to the tests after it, nor take the runner's own away.
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace yeroup::test {

class ScopedEnvironment {
public:
    // std::nullopt removes the variable for the scope.
    ScopedEnvironment(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) saved_ = old;
        Set(value);
    }
    ScopedEnvironment(std::string name, const char* value)
        : ScopedEnvironment(std::move(name), value ? std::optional<std::string>(value) : std::nullopt) {}
    ~ScopedEnvironment() { Set(saved_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    // Changes the value within the scope; the one from before the scope still comes back at its end.
    void Set(const std::optional<std::string>& value) const {
        if (value)
            ::setenv(name_.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }

private:
    std::string name_;
    std::optional<std::string> saved_;
};

}  // namespace yeroup::test
