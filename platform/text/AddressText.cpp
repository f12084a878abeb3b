#include "platform/text/AddressText.h"

#include <algorithm>

namespace yeroup::platform {

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

std::string AddressesForMessage(std::string_view text) {
    static constexpr std::string_view kWordEnds = " \t\"'<>()";
    std::string out;
    std::size_t at = 0;
    for (std::size_t scheme = text.find("://"); scheme != std::string_view::npos; scheme = text.find("://", at)) {
        std::size_t start = text.find_last_of(kWordEnds, scheme);
        start = start == std::string_view::npos || start < at ? at : start + 1;
        const std::size_t end = std::min(text.find_first_of(kWordEnds, scheme), text.size());
        out += text.substr(at, start - at);
        out += AddressForMessage(text.substr(start, end - start));
        at = end;
    }
    out += text.substr(at);
    return out;
}

}  // namespace yeroup::platform
