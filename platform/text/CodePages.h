#pragma once
// The program's texts are 8-bit strings in the system's ANSI code page; archive names come in the
// OEM code page. Linux has neither, so both are settings here (default 936, Simplified Chinese),
// and conversions go through iconv.
#include <optional>
#include <string>
#include <string_view>

namespace yeroup::platform {

struct CodePageSettings {
    int ansi = 936;
    int oem = 936;
};

// Process-wide settings; tests and the demo may change them before use.
CodePageSettings& CodePages();

// True when b starts a two-byte character in the given code page.
bool IsLeadByte(unsigned char b, int codePage);
bool IsAnsiLeadByte(unsigned char b);

// Converts between code pages (65001 is UTF-8). Bytes that do not convert become '?'.
std::string ConvertCodePage(std::string_view text, int fromCodePage, int toCodePage);
std::string OemToAnsi(std::string_view text);
std::string AnsiToUtf8(std::string_view text);
std::string Utf8ToAnsi(std::string_view text);
// The ANSI form of well-formed UTF-8 text that the code page holds whole, every character coming back the same;
// none otherwise.
std::optional<std::string> Utf8ToAnsiExactly(std::string_view text);

// True when text is well-formed UTF-8: no stray or missing continuation bytes, no overlong forms, no
// surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);
// Bytes of the well-formed UTF-8 sequence at text[at], or 0 when none starts there (a stray byte, an overlong or
// cut sequence, a surrogate, beyond U+10FFFF).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t at);

}  // namespace yeroup::platform
