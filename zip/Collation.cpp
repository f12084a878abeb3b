#include "zip/Collation.h"

#include <mutex>
#include <string_view>

#include "platform/text/Locale.h"
#include "zip/TurkishTables.h"

namespace yeroup::zip {

namespace {

TCollationTables Build(std::uint32_t lcid) {
    TCollationTables t;
    t.lcid = lcid;
    const bool turkish = lcid == platform::kLocaleTurkish;
    if (turkish) {
        t.rank = TurkishRankTable();
    } else {
        for (unsigned c = 0; c < 256; ++c) {
            const char cc = static_cast<char>(c);
            unsigned before = 0;
            for (unsigned d = 0; d < 256; ++d) {
                const char dc = static_cast<char>(d);
                if (platform::CompareStringA(lcid, false, std::string_view(&dc, 1), std::string_view(&cc, 1)) < 0)
                    ++before;
            }
            t.rank[c] = static_cast<unsigned char>(before);
        }
    }
    std::array<bool, 256> seen{};
    for (unsigned c = 0; c < 256; ++c) {
        t.inverse[t.rank[c]] = static_cast<unsigned char>(c);
        seen[t.rank[c]] = true;
    }
    t.distinct = true;
    for (bool s : seen) t.distinct = t.distinct && s;
    if (t.distinct) {
        for (unsigned c = 0; c < 256; ++c) {
            const unsigned char uc = static_cast<unsigned char>(c);
            const unsigned char up = turkish ? TurkishUpperTable()[c] : platform::CharUpperByte(uc);
            const unsigned char low = turkish ? TurkishLowerTable()[c] : platform::CharLowerByte(uc);
            t.upper[t.rank[c]] = t.rank[up];
            t.lower[t.rank[c]] = t.rank[low];
        }
    }
    return t;
}

}  // namespace

const TCollationTables& Collation() {
    static std::mutex guard;
    static TCollationTables tables;
    static bool built = false;
    std::lock_guard<std::mutex> lock(guard);
    const std::uint32_t lcid = platform::GetUserDefaultLCID();
    if (!built || tables.lcid != lcid) {
        tables = Build(lcid);
        built = true;
    }
    return tables;
}

int CompareChars(const char* a, const char* b, std::size_t n, bool ignoreCase) {
    const TCollationTables& t = Collation();
    if (!t.distinct) {
        return platform::CompareStringA(t.lcid, ignoreCase, std::string_view(a, n), std::string_view(b, n));
    }
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ra = t.rank[static_cast<unsigned char>(a[i])];
        const unsigned char rb = t.rank[static_cast<unsigned char>(b[i])];
        if (ra == rb) continue;
        if (!ignoreCase) return ra - rb;
        if (t.upper[ra] != t.upper[rb]) return t.upper[ra] - t.upper[rb];
    }
    return 0;
}

bool CharsMatch(char a, char b, bool ignoreCase) {
    if (a == b) return true;
    if (!ignoreCase) return false;
    return CompareChars(&a, &b, 1, /*ignoreCase=*/true) == 0;
}

}  // namespace yeroup::zip
