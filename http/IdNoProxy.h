#pragma once
// The no_proxy setting read as curl 7.88 reads it. Entries are separated by commas or blanks. A host name matches
// an entry that is the name itself or a domain above it, without regard to case and with trailing dots (and one
// leading dot of the entry) ignored; an IP address matches only an address entry, whole or by CIDR block
// ("10.0.0.0/8", "fd00::/8"), never as a suffix. An entry with a port matches nothing. "*" bypasses every proxy
// only when it is the whole setting.
#include <string>
#include <string_view>
#include <vector>

namespace yeroup::http {

class TIdNoProxy {
public:
    TIdNoProxy() = default;
    explicit TIdNoProxy(std::string_view setting);

    // host: a name, an IPv4 address, or an IPv6 address with or without brackets.
    bool Bypassed(std::string_view host) const;

private:
    std::vector<std::string> entries_;
    bool all_ = false;
};

}  // namespace yeroup::http
