#include "platform/text/Locale.h"

#include <string>

#include "platform/text/CodePages.h"

namespace yeroup::platform {

namespace {

// Code pages whose upper half holds Latin letters laid out as in ISO 8859-1 (case pairs 0x20 apart).
bool HasLatinUpperHalf(int codePage) { return codePage == 1252 || codePage == 1254; }

bool IsIgnoredInWordSort(unsigned char c) { return c == '-' || c == '\''; }

bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Sort weight of one byte: symbols and controls first, then digits, then letters in alphabetical
// order with the lower-case form just before the upper-case one, then the upper half by value.
int Weight(unsigned char c, bool ignoreCase) {
    if (c >= '0' && c <= '9') return 0x100 + c;
    if (IsAsciiLetter(c)) {
        const unsigned char lower = static_cast<unsigned char>(c | 0x20);
        const int caseBit = (ignoreCase || c == lower) ? 0 : 1;
        return 0x200 + (lower - 'a') * 2 + caseBit;
    }
    if (c >= 0x80) {
        if (ignoreCase) c = CharLowerByte(c);
        return 0x400 + c;
    }
    return c;
}

std::string WordSortKey(std::string_view text) {
    std::string kept;
    for (char ch : text)
        if (!IsIgnoredInWordSort(static_cast<unsigned char>(ch))) kept.push_back(ch);
    return kept;
}

}  // namespace

LocaleSettings& Locale() {
    static LocaleSettings settings;
    return settings;
}

std::uint32_t GetUserDefaultLCID() { return Locale().userLcid; }

int CompareStringA(std::uint32_t /*lcid*/, bool ignoreCase, std::string_view a, std::string_view b) {
    const std::string ka = WordSortKey(a);
    const std::string kb = WordSortKey(b);
    const std::size_t n = ka.size() < kb.size() ? ka.size() : kb.size();
    for (std::size_t i = 0; i < n; ++i) {
        const int wa = Weight(static_cast<unsigned char>(ka[i]), ignoreCase);
        const int wb = Weight(static_cast<unsigned char>(kb[i]), ignoreCase);
        if (wa != wb) return wa < wb ? -1 : 1;
    }
    if (ka.size() == kb.size()) return 0;
    return ka.size() < kb.size() ? -1 : 1;
}

unsigned char CharUpperByte(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
    if (HasLatinUpperHalf(CodePages().ansi) && c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<unsigned char>(c - 0x20);
    return c;
}

unsigned char CharLowerByte(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
    if (HasLatinUpperHalf(CodePages().ansi) && c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return static_cast<unsigned char>(c + 0x20);
    return c;
}

}  // namespace yeroup::platform
