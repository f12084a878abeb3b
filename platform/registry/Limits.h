#pragma once
// Limits on what the desktop services read from files outside the program's control.
#include <cstddef>
#include <cstdint>

namespace yeroup::platform {

// A Wine prefix with many programs installed keeps some tens of MiB in system.reg; far more is no registry.
inline constexpr std::uintmax_t kMaxHiveBytes = std::uintmax_t{256} << 20;

// One registry line with its continuations; a string value needs a few KiB at most, so a longer line (a big
// binary value) is skipped rather than held.
inline constexpr std::size_t kMaxHiveLineBytes = std::size_t{64} << 10;

}  // namespace yeroup::platform
