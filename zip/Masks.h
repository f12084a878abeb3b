#pragma once
// File masks: "*" stands for any run of characters, "?" for exactly one.
#include <string>

namespace yeroup::zip {

// True when the mask selects the name (case-insensitive); the first "*.*" selects every name.
bool MatchesMask(const std::string& name, const std::string& mask);

bool WildcardMatch(const char* name, const char* mask, bool ignoreCase);
inline bool WildcardMatch(const std::string& name, const std::string& mask, bool ignoreCase) {
    return WildcardMatch(name.c_str(), mask.c_str(), ignoreCase);
}

}  // namespace yeroup::zip
