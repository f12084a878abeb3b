#include "zip/TurkishTables.h"

#include <cstddef>
#include <vector>

namespace yeroup::zip {

namespace {

struct Letter {
    unsigned lower, upper;
    std::vector<unsigned> lowerVariants, upperVariants;
};

// Accented variants of the base letters (code page 1254 positions); the i family is placed apart.
const std::vector<Letter>& SpecialLetters() {
    static const std::vector<Letter> letters = {
        {'a', 'A', {0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5}, {0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5}},
        {'c', 'C', {0xE7}, {0xC7}},
        {'e', 'E', {0xE8, 0xE9, 0xEA, 0xEB}, {0xC8, 0xC9, 0xCA, 0xCB}},
        {'g', 'G', {0xF0}, {0xD0}},
        {'n', 'N', {0xF1}, {0xD1}},
        {'o', 'O', {0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF8}, {0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD8}},
        {'s', 'S', {0xFE}, {0xDE}},
        {'u', 'U', {0xF9, 0xFA, 0xFB, 0xFC}, {0xD9, 0xDA, 0xDB, 0xDC}},
    };
    return letters;
}

// Sort order: NUL, DEL, the controls, space and punctuation up to the digits, the digits, a few
// more signs, then per letter its lower-case form, accented lower-case variants, upper-case form
// and accented upper-case variants; everything else after the letters by value.
std::array<unsigned char, 256> BuildRank() {
    std::vector<unsigned char> order;
    std::array<bool, 256> placed{};
    auto put = [&](unsigned c) {
        if (!placed[c]) {
            placed[c] = true;
            order.push_back(static_cast<unsigned char>(c));
        }
    };
    put(0x00);
    put(0x7F);
    for (unsigned c = 0x01; c <= 0x3F; ++c) put(c);
    for (unsigned base = 'a'; base <= 'z'; ++base) {
        if (base == 'i') {
            put(0xFD);  // dotless i
            put('I');
            put('i');
            for (unsigned v : {0xECu, 0xEDu, 0xEEu, 0xEFu}) put(v);
            put(0xDD);  // dotted I
            for (unsigned v : {0xCCu, 0xCDu, 0xCEu, 0xCFu}) put(v);
            continue;
        }
        put(base);
        for (const Letter& l : SpecialLetters())
            if (l.lower == base)
                for (unsigned v : l.lowerVariants) put(v);
        put(base - 0x20);
        for (const Letter& l : SpecialLetters())
            if (l.lower == base)
                for (unsigned v : l.upperVariants) put(v);
    }
    for (unsigned c = 0; c < 256; ++c) put(c);
    std::array<unsigned char, 256> rank{};
    for (std::size_t r = 0; r < order.size(); ++r) rank[order[r]] = static_cast<unsigned char>(r);
    return rank;
}

std::array<unsigned char, 256> BuildCase(bool toUpper) {
    std::array<unsigned char, 256> table{};
    for (unsigned c = 0; c < 256; ++c) table[c] = static_cast<unsigned char>(c);
    for (unsigned c = 'a'; c <= 'z'; ++c) {
        if (toUpper)
            table[c] = static_cast<unsigned char>(c - 0x20);
        else
            table[c - 0x20] = static_cast<unsigned char>(c);
    }
    // Latin letters of the upper half, pairs 0x20 apart, except the multiplication and division signs.
    for (unsigned c = 0xE0; c <= 0xFE; ++c) {
        if (c == 0xF7) continue;
        if (toUpper)
            table[c] = static_cast<unsigned char>(c - 0x20);
        else
            table[c - 0x20] = static_cast<unsigned char>(c);
    }
    if (toUpper) {
        table[0x69] = 0xDD;  // i -> dotted I
        table[0xFD] = 0x49;  // dotless i -> I
    } else {
        table[0x49] = 0xFD;  // I -> dotless i
        table[0xDD] = 0x69;  // dotted I -> i
    }
    return table;
}

}  // namespace

const std::array<unsigned char, 256>& TurkishRankTable() {
    static const std::array<unsigned char, 256> table = BuildRank();
    return table;
}

const std::array<unsigned char, 256>& TurkishUpperTable() {
    static const std::array<unsigned char, 256> table = BuildCase(/*toUpper=*/true);
    return table;
}

const std::array<unsigned char, 256>& TurkishLowerTable() {
    static const std::array<unsigned char, 256> table = BuildCase(/*toUpper=*/false);
    return table;
}

}  // namespace yeroup::zip
