#include "http/IdAddressText.h"

namespace yeroup::http {

std::string AddressForMessage(std::string_view address) {
    const std::size_t separator = address.find("//");
    const std::size_t start = separator == std::string_view::npos ? 0 : separator + 2;
    const std::size_t end = std::min(address.find_first_of("?#", start), address.size());
    const std::size_t at = address.substr(0, end).rfind('@');
    if (at == std::string_view::npos || at < start) return std::string(address);
    const std::size_t colon = address.find(':', start);
    if (colon == std::string_view::npos || colon > at) return std::string(address);
    return std::string(address.substr(0, colon + 1)) + "***" + std::string(address.substr(at));
}

}  // namespace yeroup::http
