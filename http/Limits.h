#pragma once
// Every bound the HTTP client puts on what a server sends, each with why its value. Where a value is the default of
// a client setting, callers may change it.
#include <cstddef>
#include <cstdint>
#include <limits>

namespace yeroup::http::limits {

// Bytes of one response head: status lines and header lines without their line ends, interim responses included;
// trailers after a chunked body get a budget of their own. nginx reads an upstream's head into one 4 or 8 KiB
// buffer and takes at most 32 KiB of request headers; curl stops at 300 KiB. 64 KiB is eight times what real
// update hosts send.
inline constexpr std::int32_t kMaxHeaderBlockBytes = 65536;

// Header lines of one response head (status lines not counted). Python's http.client refuses more than 100, as
// Apache does for requests; curl's byte bound alone lets a few thousand short lines through. Cookie-heavy servers
// stay far below 1000.
inline constexpr std::int32_t kMaxHeaderLines = 1000;

// Largest body the client takes by default (MaxBodySize): 2 GiB less one byte, the most a body held in memory can
// be. A caller writing the body to the disk as it arrives may raise it; the work events then count it in spans of
// at most this size. curl has no bound unless told (--max-filesize).
inline constexpr std::int64_t kMaxBodySize = std::numeric_limits<std::int32_t>::max();

// Bytes of an error body kept for EIdHTTPProtocolException's ErrorBody; a longer one is cut there and its
// connection dropped. Error pages of nginx and Python are under 1 KiB.
inline constexpr std::int32_t kMaxErrorBodyBytes = 65536;

// Bytes of a redirect or challenge body read and thrown away so the connection can carry the next request; past
// this a new connection is cheaper than reading on.
inline constexpr std::int32_t kMaxDiscardedBodyBytes = 65536;

// Read time-outs for error bodies and for discarded bodies, in ms.
inline constexpr std::int32_t kErrorBodyReadTimeout = 2000;
inline constexpr std::int32_t kDiscardedBodyReadTimeout = 4000;

// The default of RedirectMaximum: redirects counted within one call (the fifteenth exchange is not followed).
// Browsers stop at 20, curl's command line at 50; an update host needs one or two.
inline constexpr std::int32_t kRedirectMaximum = 15;

// Cookies kept for one domain; a new one past it replaces the oldest. RFC 6265 asks for at least 50, which is what
// curl accepts from one response.
inline constexpr int kMaxCookiesPerDomain = 50;

// Bytes of a Cookie header value sent; cookies that would make it longer stay out. With "Cookie: " and the line end
// the header then fits nginx's 8 KiB header buffer; curl stops at 8190.
inline constexpr std::size_t kMaxCookieHeaderBytes = 8000;

}  // namespace yeroup::http::limits
