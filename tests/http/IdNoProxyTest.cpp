// no_proxy forms beside curl's own routes for them: curl runs in the test with the same settings against a loopback
// proxy and origin, and says through which port it went.
#include "http/IdNoProxy.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "http/IdProxyEnvironment.h"
#include "tests/http/support/RealServers.h"

namespace yeroup::http {
namespace {

// "proxy" or "direct", as curl 7.88 routes an http request to host with these settings. Names reach 127.0.0.1
// through curl's --resolve, so no name server is asked.
std::string CurlRoute(const std::string& noProxy, const std::string& host, std::uint16_t proxyPort,
                      std::uint16_t originPort) {
    const std::string port = std::to_string(originPort);
    std::string resolve;
    if (host.front() != '[') resolve = " --resolve '" + host + ":" + port + ":127.0.0.1'";
    const std::string command = "env -i http_proxy=http://127.0.0.1:" + std::to_string(proxyPort) + " no_proxy='" +
                                noProxy + "' curl -s -o /dev/null --max-time 5 -w '%{remote_port}'" + resolve +
                                " 'http://" + host + ":" + port + "/' 2>/dev/null";
    FILE* out = ::popen(command.c_str(), "r");
    char text[32] = {};
    if (out) {
        if (!std::fgets(text, sizeof text, out)) text[0] = '\0';
        ::pclose(out);
    }
    return std::string(text) == std::to_string(proxyPort) ? "proxy" : "direct";
}

std::string ClientRoute(const std::string& noProxy, const std::string& host) {
    return TIdProxyEnvironment("http://127.0.0.1:1", "", noProxy).ProxyFor("http", host) ? "proxy" : "direct";
}

TEST(NoProxy, RoutesAsCurlDoes) {
    const struct {
        const char* noProxy;
        const char* host;  // as the address writes it
        const char* route;
        const char* curlRoute = nullptr;  // where curl goes elsewhere
    } cases[] = {
        {"0.0.1", "127.0.0.1", "proxy"},  // an address is never a domain suffix
        {"0.1", "127.0.0.1", "proxy"},
        {"1", "127.0.0.1", "proxy"},
        {"127.0.0.1", "127.0.0.1", "direct"},
        {"127.0.0.2", "127.0.0.1", "proxy"},
        {"127.0.0.0/8", "127.0.0.1", "direct"},
        {"127.0.0.1/32", "127.0.0.1", "direct"},
        {"10.0.0.0/8", "127.0.0.1", "proxy"},
        {"127.0.0.1:8080", "127.0.0.1", "proxy"},  // an entry with a port matches nothing
        {"localhost", "127.0.0.1", "proxy"},
        {"example.test", "example.test", "direct"},
        {"example.test.", "example.test", "direct"},
        {"example.test", "example.test.", "direct"},
        {"EXAMPLE.Test", "a.example.test", "direct"},
        {".example.test", "a.example.test", "direct"},
        {"example.test", "badexample.test", "proxy"},
        {"example.test:8080", "example.test", "proxy"},
        {"*", "example.test", "direct"},
        {"*,", "example.test", "proxy"},  // "*" only alone
        {"a.test,*", "example.test", "proxy"},
        {" a.test , example.test ", "example.test", "direct"},
        {"a.test example.test", "example.test", "direct"},
        {"::1", "[::1]", "direct"},
        // curl 7.88 compares an IPv6 host as a name, so a block never covers it.
        {"::1/128", "[::1]", "direct", "proxy"},
        {"fd00::/8", "[::1]", "proxy"},
        {"::1", "127.0.0.1", "proxy"},
    };
    test::NginxServer proxy;
    test::NginxServer origin;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("no_proxy=") + c.noProxy + " host " + c.host);
        EXPECT_EQ(CurlRoute(c.noProxy, c.host, proxy.Port(), origin.Port()), c.curlRoute ? c.curlRoute : c.route);
        EXPECT_EQ(ClientRoute(c.noProxy, c.host), c.route);
    }
}

// What curl cannot be asked through its command line: blocks within an address, IPv6 blocks not on a byte.
TEST(NoProxy, BlocksCoverTheirAddressesOnly) {
    const TIdNoProxy noProxy("192.168.0.0/23,fd12:3456::/31,::ffff:0:0/96,10.0.0.0/x,10.0.0.0/33");
    EXPECT_TRUE(noProxy.Bypassed("192.168.1.200"));
    EXPECT_FALSE(noProxy.Bypassed("192.168.2.1"));
    EXPECT_TRUE(noProxy.Bypassed("fd12:3457::1"));
    EXPECT_FALSE(noProxy.Bypassed("fd12:3458::1"));
    EXPECT_TRUE(noProxy.Bypassed("[::ffff:1.2.3.4]"));
    EXPECT_FALSE(noProxy.Bypassed("10.0.0.1"));
}

}  // namespace
}  // namespace yeroup::http
