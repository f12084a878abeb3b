#pragma once
// Reading 32-bit whole numbers from header and date texts: leading spaces, an optional sign and
// decimal digits, nothing else (no trailing blanks, no hexadecimal), within the 32-bit signed range.
#include <cstdint>
#include <string_view>

namespace yeroup::http {

bool TryStrToInt(std::string_view text, std::int32_t& value);
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);
// Raises EConvertError "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

}  // namespace yeroup::http
