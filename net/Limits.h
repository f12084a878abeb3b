#pragma once
// Every bound the connection layer puts on what a peer sends or how long it may take. Each is the default of a
// setting that callers may change; the comments say why the value.
#include <cstdint>

namespace yeroup::net::limits {

// Longest line ReadLine accepts before its terminator. Twice nginx's largest header buffer (8 KiB), so any
// line a real server sends fits; curl allows 100 KiB, which only costs memory against a hostile peer.
inline constexpr std::int32_t kMaxLineLength = 16384;

// How long a connect made while the windows are served may take when the caller gives no time-out: two
// minutes, longer than the operating system's own SYN retries (about 127 s on Linux) would ever help.
inline constexpr std::int32_t kAntiFreezeConnectTimeout = 120000;

}  // namespace yeroup::net::limits
