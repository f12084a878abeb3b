// The proxy the environment names, with tinyproxy as the proxy: plain http in absolute form, https through CONNECT,
// no_proxy, Basic credentials, and proxies that refuse.
#include <gtest/gtest.h>

#include "app/core/Texts.h"
#include "app/download/ProxyFailure.h"
#include "app/download/UpdateClient.h"
#include "http/IdHTTPExceptions.h"
#include "tests/http/support/ProxyServer.h"
#include "tests/http/support/TlsServers.h"
#include "tests/support/LoopbackSocket.h"

namespace yeroup::http {
namespace {

TEST(EnvironmentProxy, CarriesPlainAndTunnelledRequestsWithAndWithoutCredentials) {
    test::TlsNginxServer origin;
    origin.WriteFile("Firmware/pkg.zip", std::string(300000, 'p'));
    test::TinyProxyServer open;
    test::TinyProxyServer guarded("user", "s3cret");
    const std::string dead = "http://127.0.0.1:" + std::to_string(test::FreeLoopbackPort());
    // tinyproxy looks the origin's name up itself: localhost is on the server's certificate.
    const std::string plainUrl = origin.Url("/Firmware/pkg.zip");
    const std::string tlsUrl = "https://localhost:" + std::to_string(origin.TlsPort()) + "/Firmware/pkg.zip";
    struct Case {
        const char* what;
        std::string proxy;
        std::string noProxy;
        std::string url;
        std::string outcome;  // "ok", or the message the user is shown
    };
    const std::string guardedAt = "127.0.0.1:" + std::to_string(guarded.Port());
    const std::string deadAt = dead.substr(7);
    const Case cases[] = {
        {"plain through the proxy", open.ProxyUrl(), "", plainUrl, "ok"},
        {"https through CONNECT", open.ProxyUrl(), "", tlsUrl, "ok"},
        {"credentials, plain", guarded.ProxyUrl("user", "s3cret"), "", plainUrl, "ok"},
        {"credentials, CONNECT", guarded.ProxyUrl("user", "s3cret"), "", tlsUrl, "ok"},
        {"no credentials", guarded.ProxyUrl(), "", plainUrl, app::Format(app::texts::kProxyRefused, {guardedAt})},
        {"wrong credentials, CONNECT", guarded.ProxyUrl("user", "wrong"), "", tlsUrl,
         app::Format(app::texts::kProxyRefused, {guardedAt})},
        {"nobody listening", dead, "", plainUrl, app::Format(app::texts::kProxyUnreachable, {deadAt})},
        {"no_proxy names the host", dead, "localhost,127.0.0.1", plainUrl, "ok"},
        {"no_proxy is *", dead, "*", tlsUrl, "ok"},
        {"a SOCKS proxy is not used around", "socks5://127.0.0.1:1", "", plainUrl, app::texts::kProxySettingUnusable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto client = app::MakeUpdateClient(/*secureHost=*/true, test::TestCAFile());
        client->EnvironmentProxy = TIdProxyEnvironment(c.proxy, c.proxy, c.noProxy);
        platform::TMemoryStream body;
        std::string outcome = "ok";
        try {
            client->Get(c.url, body);
            EXPECT_EQ(body.Size(), 300000);
        } catch (const std::exception& e) {
            outcome = app::Format(app::ProxyFailureText(*client, e));
            if (outcome.empty()) outcome = e.what();
        }
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(client->Request().RouteKind == rkProxy || client->Request().RouteKind == rkProxyTLS,
                  c.noProxy.empty() && c.outcome != app::texts::kProxySettingUnusable);
    }
    // The proxy saw the absolute-form request and the tunnel.
    const std::string log = open.Log();
    EXPECT_NE(log.find("GET " + plainUrl), std::string::npos) << log;
    EXPECT_NE(log.find("CONNECT localhost:" + std::to_string(origin.TlsPort())), std::string::npos) << log;
}

}  // namespace
}  // namespace yeroup::http
