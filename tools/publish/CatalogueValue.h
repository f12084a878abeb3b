#pragma once
// A firmware's value in the catalogue. The program reads only the names; the value is for people and for the
// site's check: "DATE SIZE SUMMARY", the size being the package's in bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace yeroup::tools {

std::string CatalogueValue(const std::string& date, std::uintmax_t size, const std::string& summary);
// The package size a value gives; none when it has no such field.
std::optional<std::uintmax_t> CatalogueSize(std::string_view value);

}  // namespace yeroup::tools
