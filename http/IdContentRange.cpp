#include "http/IdContentRange.h"

#include <charconv>

#include "http/IdTextUtils.h"

namespace yeroup::http {

namespace {

// Eighteen decimal digits always fit a signed 64-bit number; a longer one is no byte count of a real file.
constexpr std::size_t kMaxDecimalDigits = 18;

}  // namespace

std::optional<std::int64_t> ReadDecimal(std::string_view text) {
    if (text.empty() || text.size() > kMaxDecimalDigits) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

std::optional<TIdContentRange> ReadContentRange(std::string_view value) {
    const std::string trimmed = Trim(std::string(value));
    std::string_view text = trimmed;
    constexpr std::string_view unit = "bytes ";
    if (!StartsText(unit, text)) return std::nullopt;
    text.remove_prefix(unit.size());
    const std::size_t dash = text.find('-'), slash = text.find('/');
    if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) return std::nullopt;
    const auto first = ReadDecimal(text.substr(0, dash));
    const auto last = ReadDecimal(text.substr(dash + 1, slash - dash - 1));
    const auto length = ReadDecimal(text.substr(slash + 1));
    if (!first || !last || !length || *first > *last || *last >= *length) return std::nullopt;
    return TIdContentRange{*first, *last, *length};
}

}  // namespace yeroup::http
