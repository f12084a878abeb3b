#pragma once
// Every bound the connection layer puts on what a peer sends or how long it may take; the comments say why the
// value. Where one is the default of a setting, callers may change it.
#include <cstdint>

namespace yeroup::net::limits {

// Longest line ReadLine accepts before its terminator. Twice nginx's largest header buffer (8 KiB), so any
// line a real server sends fits; curl allows 100 KiB, which only costs memory against a hostile peer.
inline constexpr std::int32_t kMaxLineLength = 16384;

// How long a connect made while the windows are served may take when the caller gives no time-out: two
// minutes, longer than the operating system's own SYN retries (about 127 s on Linux) would ever help.
inline constexpr std::int32_t kAntiFreezeConnectTimeout = 120000;

// Milliseconds a server may take over the whole TLS handshake: a host that accepts the connection and then
// stays silent must not hang the program while no read time-out is set. Real handshakes take well under 1 s.
inline constexpr std::int32_t kTlsHandshakeTimeout = 30000;

// Intermediate certificates accepted between a server's certificate and a trusted root: public chains use one
// to three, and a longer one only costs verification work.
inline constexpr int kTlsMaxChainDepth = 6;

}  // namespace yeroup::net::limits
