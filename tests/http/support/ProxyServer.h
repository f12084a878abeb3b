#pragma once
// tinyproxy from the system's packages on a loopback port: plain requests in absolute form and CONNECT tunnels, to
// any loopback port, optionally asking for Basic credentials.
#include <string>

#include "tests/http/support/RealServers.h"

namespace yeroup::test {

class TinyProxyServer : public RealServer {
public:
    // With user and password not empty, every request must carry them (407 otherwise).
    // ipv6: it listens on [::1] instead of 127.0.0.1.
    explicit TinyProxyServer(const std::string& user = "", const std::string& password = "", bool ipv6 = false);
    // "http://[user:password@]127.0.0.1:<port>", as http_proxy takes it.
    std::string ProxyUrl(const std::string& user = "", const std::string& password = "") const;
    // The proxy's log: one line per connection it served, among others.
    std::string Log() const;
};

}  // namespace yeroup::test
