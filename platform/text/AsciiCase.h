#pragma once
// Case-blind comparison of protocol and file-format names: only ASCII letters fold, whatever the
// locale, so the result never depends on the machine's settings.
#include <string_view>

namespace yeroup::platform {

constexpr char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

constexpr bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

}  // namespace yeroup::platform
