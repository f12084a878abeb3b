#include "http/IdHostName.h"

#include <arpa/inet.h>

#include "platform/text/AsciiText.h"

namespace yeroup::http {

bool IsIpv6Literal(std::string_view text) {
    in6_addr address{};
    return ::inet_pton(AF_INET6, std::string(text).c_str(), &address) == 1;
}

bool IsAddressLiteral(std::string_view host) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    in_addr address{};
    return ::inet_pton(AF_INET, std::string(host).c_str(), &address) == 1 || IsIpv6Literal(host);
}

std::string HostInAddress(const std::string& host) {
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

std::string WithoutRootDots(std::string_view host) {
    while (!host.empty() && host.back() == '.') host.remove_suffix(1);
    return std::string(host);
}

std::string ComparableHostName(std::string_view host) { return platform::AsciiLowerCase(WithoutRootDots(host)); }

}  // namespace yeroup::http
