#pragma once
// A variable given another value for a scope: the value it had is put back on every way out, an exception
// included, so a borrowed setting cannot outlive the call that borrowed it.
#include <utility>

namespace yeroup::platform {

template <class T>
class ScopedValue {
public:
    // Saves the current value; the scope may change it freely.
    explicit ScopedValue(T& place) : place_(place), saved_(place) {}
    // Saves the current value and puts value in its place.
    ScopedValue(T& place, T value) : place_(place), saved_(std::exchange(place, std::move(value))) {}
    ~ScopedValue() { place_ = std::move(saved_); }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& place_;
    T saved_;
};

}  // namespace yeroup::platform
