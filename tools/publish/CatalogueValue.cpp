#include "tools/publish/CatalogueValue.h"

#include <charconv>

namespace yeroup::tools {

std::string CatalogueValue(const std::string& date, std::uintmax_t size, const std::string& summary) {
    return date + " " + std::to_string(size) + " " + summary;
}

std::optional<std::uintmax_t> CatalogueSize(std::string_view value) {
    const std::size_t first = value.find(' ');
    if (first == std::string_view::npos) return std::nullopt;
    const std::string_view rest = value.substr(first + 1);
    const std::string_view field = rest.substr(0, rest.find(' '));
    std::uintmax_t size = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), size);
    if (field.empty() || error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    return size;
}

}  // namespace yeroup::tools
