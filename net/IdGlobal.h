#pragma once
// Shared constants and small text helpers of the connection and socket layer.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace yeroup::net {

// Time-outs in milliseconds; these two values are markers.
inline constexpr std::int32_t TimeoutUseDefault = -1;  // the connection's ReadTimeout (0 = no limit)
inline constexpr std::int32_t TimeoutNoLimit = -2;

// Replaces each %s in order with the next argument (missing arguments insert nothing).
std::string FormatText(const std::string& pattern, const std::vector<std::string>& args);
// Replaces each %d in order with the next number.
std::string FormatNumbers(const std::string& pattern, std::initializer_list<std::int64_t> numbers);

}  // namespace yeroup::net
