#include "http/IdStrToInt.h"

#include <charconv>
#include <string>

#include "http/IdConvertError.h"

namespace yeroup::http {

bool TryStrToInt(std::string_view text, std::int32_t& value) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    if (text.empty() || (plus && (text.front() < '0' || text.front() > '9'))) return false;
    std::int32_t parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    value = parsed;
    return true;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback) {
    std::int32_t value = 0;
    return TryStrToInt(text, value) ? value : fallback;
}

std::int32_t StrToInt(std::string_view text) {
    std::int32_t value = 0;
    if (!TryStrToInt(text, value)) throw EConvertError::NotAnInteger(std::string(text));
    return value;
}

}  // namespace yeroup::http
