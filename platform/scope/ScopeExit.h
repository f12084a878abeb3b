#pragma once
// An action run on every way out of a scope, an exception included: the one guard for work a scope must finish
// or undo whatever happens in it.
#include <utility>

namespace yeroup::platform {

template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F action) : action_(std::move(action)) {}
    ~ScopeExit() { action_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F action_;
};

}  // namespace yeroup::platform
