// The transaction over the TLS transport against nginx with the test CA on loopback, directly and through a
// CONNECT proxy.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/download/UpdateClient.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPExceptions.h"
#include "net/tls/IdSSLExceptions.h"
#include "net/tls/IdSSLIOHandlerSocket.h"
#include "tests/http/support/TlsServers.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/TestBytes.h"

namespace yeroup::http {
namespace {

using test::Binary;

class HttpsTest : public ::testing::Test {
protected:
    void SetUp() override { server.WriteFile("Firmware/pkg.zip", package); }
    std::string Get(const std::string& url) {
        platform::TMemoryStream stream;
        client.Get(url, stream);
        return stream.ToString();
    }
    std::string PlainUrl(const std::string& path) const {
        return "http://update.test:" + std::to_string(server.Port()) + path;
    }

    test::UseTestHostNames names;
    test::TlsNginxServer server;
    const std::string package = Binary(700000, 5);
    // The client as the program makes it for an https update host, with its own TLS transport.
    const std::unique_ptr<TIdHTTP> owned = app::MakeUpdateClient(true, test::TestCAFile());
    TIdHTTP& client = *owned;
    net::TIdSSLIOHandlerSocket& handler = dynamic_cast<net::TIdSSLIOHandlerSocket&>(*client.IOHandler());
};

TEST_F(HttpsTest, DownloadsByteForByteOnAKeptConnection) {
    int connects = 0;
    client.OnConnected = [&](net::TIdComponent*) { ++connects; };
    EXPECT_TRUE(Get(server.TlsUrl("/Firmware/pkg.zip")) == package);
    EXPECT_TRUE(handler.Encrypting());
    EXPECT_TRUE(Get(server.TlsUrl("/Firmware/pkg.zip")) == package);
    EXPECT_EQ(connects, 1);
    // The same client goes on with plain http, on a new connection in clear text.
    EXPECT_TRUE(Get(PlainUrl("/Firmware/pkg.zip")) == package);
    EXPECT_FALSE(handler.Encrypting());
    EXPECT_EQ(connects, 2);
}

TEST_F(HttpsTest, ARefusedCertificateLeavesTheClientDisconnected) {
    EXPECT_THROW_TEXT(Get("https://other.test:" + std::to_string(server.TlsPort()) + "/Firmware/pkg.zip"),
                      net::EIdTLSHandshakeError,
                      "TLS handshake with other.test failed: the server's certificate is not valid for the host name "
                      "other.test");
    EXPECT_FALSE(client.IsConnected());
}

TEST_F(HttpsTest, RedirectsFromHttpToHttps) {
    client.HandleRedirects = true;
    EXPECT_TRUE(Get(PlainUrl("/to-https/Firmware/pkg.zip")) == package);
    EXPECT_EQ(client.URL().Protocol, "https");
    EXPECT_TRUE(handler.Encrypting());
}

// From TLS a redirect may not lead back to clear text; one that names no scheme stays on https.
TEST_F(HttpsTest, RedirectsFromHttpsStayOnHttps) {
    client.HandleRedirects = true;
    const std::string plain = "http://update.test:" + std::to_string(server.Port()) + "/Firmware/pkg.zip";
    EXPECT_THROW_TEXT(Get(server.TlsUrl("/to-http/Firmware/pkg.zip")), EIdHTTPRedirectRefused,
                      "Redirect from https to http refused: " + plain);
    EXPECT_EQ(client.Response().StatusCode(), 302);
    EXPECT_TRUE(Get(server.TlsUrl("/relative/Firmware/pkg.zip")) == package);
    EXPECT_EQ(client.URL().Protocol, "https");
    EXPECT_EQ(client.URL().Port, std::to_string(server.TlsPort()));
    EXPECT_TRUE(handler.Encrypting());
}

TEST_F(HttpsTest, SecureCookiesGoOnlyOverTls) {
    EXPECT_EQ(Get(server.TlsUrl("/cookie")), "set");
    EXPECT_EQ(Get(server.TlsUrl("/echo-cookie")), "cookie=token=s3cret");
    EXPECT_EQ(Get(PlainUrl("/echo-cookie")), "cookie=");
}

TEST_F(HttpsTest, TunnelsThroughAConnectProxy) {
    test::ConnectProxy proxy;
    client.ProxyParams.SetProxyServer("127.0.0.1");
    client.ProxyParams.SetProxyPort(proxy.Port());
    EXPECT_TRUE(Get(server.TlsUrl("/Firmware/pkg.zip")) == package);
    EXPECT_EQ(client.Request().RouteKind, rkProxyTLS);
    EXPECT_TRUE(Get(server.TlsUrl("/Firmware/pkg.zip")) == package);
    // One tunnel for both requests, opened for the origin.
    EXPECT_EQ(proxy.Log(), "update.test:" + std::to_string(server.TlsPort()) + "\n");
}

}  // namespace
}  // namespace yeroup::http
