#include "zip/Masks.h"

#include <cstring>

#include "zip/Collation.h"

namespace yeroup::zip {

bool MatchesMask(const std::string& name, const std::string& mask) {
    if (mask.empty()) return false;
    const std::size_t star = mask.find("*.*");
    if (star == std::string::npos) return WildcardMatch(name, mask, /*ignoreCase=*/true);
    return WildcardMatch(name, mask.substr(0, star + 1) + mask.substr(star + 3), /*ignoreCase=*/true);
}

bool WildcardMatch(const char* name, const char* mask, bool ignoreCase) {
    if (std::strcmp(mask, "*.*") == 0) return true;
    for (;;) {
        if (mask[0] == '*' && mask[1] == '\0') return true;
        if (*name == '\0') return *mask == '\0';
        if (*mask == '*') {
            const std::size_t left = std::strlen(name);
            for (std::size_t k = 0; k < left; ++k)
                if (WildcardMatch(name + k, mask + 1, ignoreCase)) return true;
            return false;
        }
        if (*mask != '?' && !CharsMatch(*name, *mask, ignoreCase)) return false;
        ++name;
        ++mask;
    }
}

}  // namespace yeroup::zip
