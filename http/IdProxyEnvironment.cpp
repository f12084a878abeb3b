#include "http/IdProxyEnvironment.h"

#include <cstdlib>

#include "http/IdHostName.h"
#include "http/IdStrToInt.h"
#include "http/IdTextUtils.h"
#include "platform/text/AddressText.h"

namespace yeroup::http {

namespace {

// The variable in lower case, else in upper case, as curl and wget look them up.
std::string Variable(const char* lower, const char* upper) {
    const char* value = std::getenv(lower);
    if (!value || !*value) value = std::getenv(upper);
    return value ? value : "";
}

// User names and passwords with "@" or ":" in them come percent-encoded in a proxy URL.
std::string PercentDecoded(std::string_view text) {
    const auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::string TIdEnvironmentProxy::Authority() const { return HostInAddress(Host) + ":" + std::to_string(Port); }

TIdEnvironmentProxy ParseProxySetting(const std::string& setting) {
    const auto unusable = [&](const char* why) {
        return EIdProxySettingError("The proxy setting \"" + platform::AddressForMessage(setting) +
                                    "\" cannot be used: " + why + ".");
    };
    std::string rest = Trim(setting);
    const std::size_t scheme = rest.find("://");
    if (scheme != std::string::npos) {
        if (!SameText(rest.substr(0, scheme), "http")) throw unusable("only http:// proxies are supported");
        rest.erase(0, scheme + 3);
    }
    rest = rest.substr(0, rest.find('/'));
    TIdEnvironmentProxy proxy;
    const std::size_t at = rest.rfind('@');
    if (at != std::string::npos) {
        const std::string credentials = rest.substr(0, at);
        const std::size_t colon = credentials.find(':');
        proxy.Username = PercentDecoded(credentials.substr(0, colon));
        if (colon != std::string::npos) proxy.Password = PercentDecoded(credentials.substr(colon + 1));
        rest.erase(0, at + 1);
    }
    const std::size_t colon = rest.rfind(':');
    if (colon != std::string::npos && rest.find(']', colon) == std::string::npos) {
        std::int32_t port = 0;
        if (!TryStrToInt(rest.substr(colon + 1), port) || port <= 0 || port > 65535)
            throw unusable("its port is not a number from 1 to 65535");
        proxy.Port = port;
        rest.erase(colon);
    }
    if (rest.size() > 2 && rest.front() == '[' && rest.back() == ']') {
        rest = rest.substr(1, rest.size() - 2);
        if (!IsIpv6Literal(rest)) throw unusable("its host is not a valid IPv6 address");
    }
    if (rest.empty()) throw unusable("it names no host");
    proxy.Host = rest;
    return proxy;
}

TIdProxyEnvironment::TIdProxyEnvironment(const std::string& httpProxy, const std::string& httpsProxy,
                                         const std::string& noProxy)
    : httpProxy_(Trim(httpProxy)), httpsProxy_(Trim(httpsProxy)), noProxy_(noProxy) {}

TIdProxyEnvironment TIdProxyEnvironment::FromEnvironment() {
    return TIdProxyEnvironment(Variable("http_proxy", "HTTP_PROXY"), Variable("https_proxy", "HTTPS_PROXY"),
                               Variable("no_proxy", "NO_PROXY"));
}

std::optional<TIdEnvironmentProxy> TIdProxyEnvironment::ProxyFor(const std::string& protocol, const std::string& host,
                                                                 const std::string& url) const {
    if (noProxy_.Bypassed(host)) return std::nullopt;
    // The variables, when either is set, decide alone, as for curl.
    if (httpProxy_.empty() && httpsProxy_.empty()) {
        if (!desktop_) return std::nullopt;
        const std::string setting =
            desktop_(url.empty() ? platform::AsciiLowerCase(protocol) + "://" + HostInAddress(host) + "/" : url);
        if (setting.empty()) return std::nullopt;
        return ParseProxySetting(setting);
    }
    const std::string& setting = SameText(protocol, "https") ? httpsProxy_ : httpProxy_;
    if (setting.empty()) return std::nullopt;
    return ParseProxySetting(setting);
}

}  // namespace yeroup::http
