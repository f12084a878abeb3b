#pragma once
// How long a response body is (RFC 9112 message framing): chunked when "chunked" is the last transfer coding,
// whatever Content-Length says; else by Content-Length, whose values must agree and be plain digits; else until the
// server closes. Anything else is an error, never a guess.
#include <cstdint>
#include <string>

#include "http/IdHeaderList.h"

namespace yeroup::http {

struct TIdBodyFraming {
    enum Kind { bfLength, bfChunked, bfUntilClose };
    Kind kind = bfUntilClose;
    std::int64_t length = 0;     // for bfLength
    bool lengthIgnored = false;  // chunked won over a Content-Length: the connection is not to be trusted after
};

// Raises EIdHTTPFramingError for a malformed or conflicting Content-Length and EIdHTTPBodyTooLarge for a length
// above limit.
TIdBodyFraming ResponseFraming(const TIdHeaderList& headers, std::int64_t limit);

// Raises EIdHTTPBodyTooLarge for a body above limit.
[[noreturn]] void RaiseBodyTooLarge(std::int64_t limit);

// The size on a chunk-size line (hexadecimal digits, then optionally blanks and a ";" extension); raises
// EIdHTTPFramingError when there is no such number or it has more than 16 digits.
std::int64_t ChunkSize(const std::string& line);

}  // namespace yeroup::http
