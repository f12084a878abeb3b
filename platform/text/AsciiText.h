#pragma once
// Text helpers for protocol and file-format names. Case folding touches only ASCII letters, whatever
// the locale; trimming removes every byte up to and including the space (control characters too).
#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace yeroup::platform {

constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string AsciiLowerCase(std::string text) {
    for (char& c : text) c = AsciiLower(c);
    return text;
}

constexpr bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

inline std::string TrimLeft(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return std::string(text.substr(i));
}

inline std::string TrimRight(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) --n;
    return std::string(text.substr(0, n));
}

inline std::string Trim(std::string_view text) { return TrimRight(TrimLeft(text)); }

// A count written in a file format: decimal digits only (no sign, no blanks), within 64 bits.
inline bool ReadDecimal(std::string_view text, std::int64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace yeroup::platform
