#pragma once
// How a host is written and compared: IPv6 literals go in brackets in addresses and Host headers, and a name
// with a trailing dot (the root of the DNS) names the same host as without it.
#include <string>
#include <string_view>

namespace yeroup::http {

// True for an IPv6 address in text form without brackets ("::1", "fe80::2").
bool IsIpv6Literal(std::string_view text);
// True for an IPv4 address in dotted-quad form or an IPv6 one, bracketed or not: such a host is only ever itself,
// never a parent domain's member.
bool IsAddressLiteral(std::string_view host);
// The host as it stands in an address or a Host header: an IPv6 literal in brackets, anything else as it is.
std::string HostInAddress(const std::string& host);
// The host without its trailing dots.
std::string WithoutRootDots(std::string_view host);
// The host in lower case without its trailing dots, for comparing names.
std::string ComparableHostName(std::string_view host);

}  // namespace yeroup::http
