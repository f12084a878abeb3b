#pragma once
// The Content-Range of a 206 answer ("bytes first-last/length"), read strictly: a resume joins the partial and the
// body only on numbers that say exactly which bytes of which length came.
#include <cstdint>
#include <optional>
#include <string_view>

namespace yeroup::http {

struct TIdContentRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t length = 0;

    std::int64_t Count() const { return last - first + 1; }
};

// None unless value is "bytes first-last/length" in plain digits with first <= last < length; the unsatisfied form
// ("bytes */length"), an unknown length ("/*") and other units are none too.
std::optional<TIdContentRange> ReadContentRange(std::string_view value);

// A plain decimal number of at most 18 digits (so it fits 64 bits with room), or none.
std::optional<std::int64_t> ReadDecimal(std::string_view text);

}  // namespace yeroup::http
