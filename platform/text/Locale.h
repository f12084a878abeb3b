#pragma once
// Stand-in for the locale services: the user's default locale identifier, the one-locale string
// comparison and the upper/lower-case conversion of 8-bit text in the ANSI code page.
#include <cstdint>
#include <string_view>

namespace yeroup::platform {

inline constexpr std::uint32_t kLocaleChinesePrc = 2052;
inline constexpr std::uint32_t kLocaleTurkish = 1055;

struct LocaleSettings {
    std::uint32_t userLcid = kLocaleChinesePrc;
};

// Process-wide settings; tests may change them before use.
LocaleSettings& Locale();

std::uint32_t GetUserDefaultLCID();

// Compares two 8-bit strings in the locale's order: negative, 0 or positive.
// Like the word sort of the desktop systems, hyphens and apostrophes are ignored.
int CompareStringA(std::uint32_t lcid, bool ignoreCase, std::string_view a, std::string_view b);

// Case conversion of single bytes in the ANSI code page.
unsigned char CharUpperByte(unsigned char c);
unsigned char CharLowerByte(unsigned char c);

}  // namespace yeroup::platform
