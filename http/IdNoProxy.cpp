#include "http/IdNoProxy.h"

#include <arpa/inet.h>

#include <array>
#include <cstdlib>

#include "http/IdHostName.h"
#include "http/IdStrToInt.h"

namespace yeroup::http {

namespace {

// An address in network order: 4 bytes for IPv4, 16 for IPv6; empty when the text is neither.
std::vector<unsigned char> AddressBytes(const std::string& text, int family) {
    std::array<unsigned char, 16> bytes{};
    if (::inet_pton(family, text.c_str(), bytes.data()) != 1) return {};
    return {bytes.begin(), bytes.begin() + (family == AF_INET ? 4 : 16)};
}

// entry: an address with an optional "/bits" (none, or 0, compares the whole address).
bool InBlock(const std::vector<unsigned char>& address, const std::string& entry, int family) {
    const std::size_t slash = entry.find('/');
    int bits = 0;
    if (slash != std::string::npos && !TryStrToInt(entry.substr(slash + 1), bits)) return false;
    const std::vector<unsigned char> network = AddressBytes(entry.substr(0, slash), family);
    const int width = static_cast<int>(address.size()) * 8;
    if (network.empty() || bits < 0 || bits > width) return false;
    if (bits == 0) bits = width;
    for (std::size_t i = 0; bits > 0; ++i, bits -= 8) {
        const auto mask = static_cast<unsigned char>(bits >= 8 ? 0xFF : 0xFF << (8 - bits));
        if ((address[i] ^ network[i]) & mask) return false;
    }
    return true;
}

// "example.test" covers "example.test" and "a.example.test", not "badexample.test".
bool InDomain(const std::string& name, std::string entry) {
    while (!entry.empty() && entry.back() == '.') entry.pop_back();
    if (!entry.empty() && entry.front() == '.') entry.erase(0, 1);
    entry = ComparableHostName(entry);
    if (entry.empty() || entry.size() > name.size()) return false;
    if (entry.size() == name.size()) return entry == name;
    return name.compare(name.size() - entry.size(), entry.size(), entry) == 0 &&
           name[name.size() - entry.size() - 1] == '.';
}

}  // namespace

TIdNoProxy::TIdNoProxy(std::string_view setting) : all_(setting == "*") {
    const auto separator = [](char c) { return c == ',' || c == ' ' || c == '\t'; };
    std::size_t at = 0;
    while (at < setting.size()) {
        while (at < setting.size() && separator(setting[at])) ++at;
        const std::size_t start = at;
        while (at < setting.size() && !separator(setting[at])) ++at;
        if (at > start) entries_.emplace_back(setting.substr(start, at - start));
    }
}

bool TIdNoProxy::Bypassed(std::string_view host) const {
    if (all_) return true;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const std::string text(host);
    int family = AF_INET;
    std::vector<unsigned char> address = AddressBytes(text, AF_INET);
    if (address.empty()) {
        family = AF_INET6;
        address = AddressBytes(text, AF_INET6);
    }
    const std::string name = ComparableHostName(host);
    for (const std::string& entry : entries_)
        if (address.empty() ? InDomain(name, entry) : InBlock(address, entry, family)) return true;
    return false;
}

}  // namespace yeroup::http
