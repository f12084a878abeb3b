#pragma once
// Every bound the archiver puts on what an archive may ask of it. Crossing one fails the open
// with its own error instead of letting a damaged or hostile file take memory or time.
#include <cstdint>

namespace yeroup::zip {

// A firmware package holds tens of files; a hundred thousand leaves room for any real tree while
// keeping the directory in memory (a few hundred bytes per entry) far below the machine's size.
inline constexpr std::uint64_t kMaxEntries = 100000;

// Longer than any path the player software's folder can hold (Windows stops at 260), so a longer
// stored name is a damaged or forged one.
inline constexpr std::uint32_t kMaxNameLength = 1024;

}  // namespace yeroup::zip
