#pragma once
// Every bound the archiver puts on what an archive or its caller may ask of it. Crossing one fails
// the open or the run with its own error instead of letting a damaged or hostile file take memory,
// time or disk.
#include <cstddef>
#include <cstdint>

namespace yeroup::zip {

// A firmware package holds tens of files; a hundred thousand leaves room for any real tree while
// keeping the directory in memory (a few hundred bytes per entry) far below the machine's size.
inline constexpr std::uint64_t kMaxEntries = 100000;

// Longer than any path the player software's folder can hold (Windows stops at 260), so a longer
// stored name is a damaged or forged one.
inline constexpr std::uint32_t kMaxNameLength = 1024;

// Bytes one extraction run may write: the declared sizes of the selected entries together, checked
// before the first byte is written (no entry may inflate past its declared size). A firmware
// package unpacks to some MiB; 4 GiB is a thousand times that, while a small archive declaring
// more is a bomb that would fill the disk.
inline constexpr std::uint64_t kMaxExtractedBytes = std::uint64_t{4} << 30;

// A file mask longer than the longest Windows path cannot match a stored name that fits one; it is
// cut to that length, as the Windows file search does.
inline constexpr std::size_t kMaxMaskLength = 260;

}  // namespace yeroup::zip
