#pragma once
// The proxy the user's environment names, read as curl and wget read it: http_proxy for http addresses,
// https_proxy for https ones (lower case first, then upper case), no_proxy for the hosts reached directly (as curl
// reads it, IdNoProxy.h). A proxy is written http://[user[:password]@]host[:port][/], the scheme and port optional
// (port 80 when none is given), an IPv6 host in brackets; user and password go to the proxy as Basic credentials.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "http/IdNoProxy.h"
#include "net/IdException.h"

namespace yeroup::http {

// A proxy setting that cannot be used (another scheme than http, no host, a port that is not a number).
class EIdProxySettingError : public net::EIdException {
public:
    using net::EIdException::EIdException;
};

struct TIdEnvironmentProxy {
    std::string Host;
    std::int32_t Port = 80;
    std::string Username;
    std::string Password;

    // "host:port", as messages name the proxy.
    std::string Authority() const;
};

class TIdProxyEnvironment {
public:
    // No proxy at all.
    TIdProxyEnvironment() = default;
    // The three settings as their variables hold them (empty when unset).
    TIdProxyEnvironment(const std::string& httpProxy, const std::string& httpsProxy, const std::string& noProxy);
    // From the process environment.
    static TIdProxyEnvironment FromEnvironment();

    // Asked for the proxy of an address (its URL) when neither proxy variable is set: a proxy setting as the
    // variables hold one, or empty for none. The application answers with the desktop's settings.
    using TDesktopLookup = std::function<std::string(const std::string& url)>;
    void SetDesktopLookup(TDesktopLookup lookup) { desktop_ = std::move(lookup); }

    // The proxy for a request to host over protocol ("http" or "https", any case); none when it goes direct. url is
    // what the desktop's lookup is given (the protocol and host when empty). Raises EIdProxySettingError for a
    // setting that cannot be used, rather than going around it.
    std::optional<TIdEnvironmentProxy> ProxyFor(const std::string& protocol, const std::string& host,
                                                const std::string& url = {}) const;

private:
    std::string httpProxy_;
    std::string httpsProxy_;
    TIdNoProxy noProxy_;
    TDesktopLookup desktop_;
};

// Reads a proxy setting; raises EIdProxySettingError.
TIdEnvironmentProxy ParseProxySetting(const std::string& setting);

}  // namespace yeroup::http
