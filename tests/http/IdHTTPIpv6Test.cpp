// IPv6 addresses end to end: nginx on [::1], tinyproxy on [::1], the client and the fetch tool
// dialling them from addresses and proxy settings with brackets.
#include <gtest/gtest.h>

#include "http/IdHTTP.h"
#include "net/IdIOHandlerSocket.h"
#include "tests/http/support/FetchToolRun.h"
#include "tests/http/support/ProxyServer.h"
#include "tests/http/support/RealServers.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestBytes.h"

namespace yeroup::http {
namespace {

class Ipv6Test : public ::testing::Test {
protected:
    void SetUp() override { origin.WriteFile("Firmware/pkg.zip", package); }
    std::string Url() const { return "http://[::1]:" + std::to_string(origin.Port()) + "/Firmware/pkg.zip"; }
    std::string ProxySetting() const { return "http://[::1]:" + std::to_string(proxy.Port()); }

    test::NginxServer origin{/*ipv6Too=*/true};
    test::TinyProxyServer proxy{"", "", /*ipv6=*/true};
    const std::string package = test::Binary(300000, 9);
};

TEST_F(Ipv6Test, TheClientDialsIpv6DirectAndThroughAProxy) {
    TIdHTTP client;
    platform::TMemoryStream direct;
    client.Get(Url(), direct);
    EXPECT_TRUE(direct.ToString() == package);
    EXPECT_EQ(client.Request().Host, "[::1]:" + std::to_string(origin.Port()));
    EXPECT_EQ(dynamic_cast<net::TIdIOHandlerSocket&>(*client.IOHandler()).Binding()->PeerIP, "::1");

    client.EnvironmentProxy = TIdProxyEnvironment(ProxySetting(), "", "");
    platform::TMemoryStream proxied;
    client.Get(Url(), proxied);
    EXPECT_TRUE(proxied.ToString() == package);
    EXPECT_EQ(client.ProxyInUse(), "[::1]:" + std::to_string(proxy.Port()));
    EXPECT_NE(proxy.Log().find("GET " + Url() + " HTTP/1.1"), std::string::npos) << proxy.Log();
    EXPECT_NE(proxy.Log().find("): ::1"), std::string::npos) << proxy.Log();
}

TEST_F(Ipv6Test, TheFetchToolTakesBracketsInTheAddressAndTheProxySetting) {
    test::ScratchFolder folder;
    const test::FetchToolRun direct = test::RunFetchTool(Url(), folder / "direct.zip");
    EXPECT_EQ(direct.exitStatus, 0) << direct.errorOutput;
    EXPECT_TRUE(test::ReadFile(folder / "direct.zip") == package);
    const test::ScopedEnvironment setting("http_proxy", ProxySetting());
    const test::FetchToolRun proxied = test::RunFetchTool(Url(), folder / "proxied.zip");
    EXPECT_EQ(proxied.exitStatus, 0) << proxied.errorOutput;
    EXPECT_TRUE(test::ReadFile(folder / "proxied.zip") == package);
    EXPECT_NE(proxy.Log().find("GET " + Url()), std::string::npos) << proxy.Log();
}

}  // namespace
}  // namespace yeroup::http
