#pragma once
// Locale-aware comparison of 8-bit characters through tables built once per user locale.
#include <array>
#include <cstddef>
#include <cstdint>

namespace yeroup::zip {

struct TCollationTables {
    std::uint32_t lcid = 0;
    std::array<unsigned char, 256> rank{};     // rank of each byte in the locale's order
    std::array<unsigned char, 256> inverse{};  // byte of each rank
    std::array<unsigned char, 256> upper{};    // in rank space
    std::array<unsigned char, 256> lower{};    // in rank space
    bool distinct = false;                     // every byte has a rank of its own
};

// The tables for the current user locale; rebuilt when the locale setting has changed.
const TCollationTables& Collation();

// Compares n characters in the locale's order: negative, 0 or positive.
int CompareChars(const char* a, const char* b, std::size_t n, bool ignoreCase);

// Equality of two characters as the wildcard matcher sees it.
bool CharsMatch(char a, char b, bool ignoreCase);

}  // namespace yeroup::zip
