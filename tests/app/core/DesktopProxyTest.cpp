// The desktop's proxy through libproxy, with GNOME's settings in a keyfile: a PAC file served on loopback sends the
// packages through tinyproxy and everything else direct, unless a proxy variable is set, which comes first.
#include "app/core/DesktopProxy.h"

#include <gtest/gtest.h>

#include "app/download/UpdateClient.h"
#include "http/IdHTTP.h"
#include "tests/http/support/ProxyServer.h"
#include "tests/http/support/RealServers.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestBytes.h"

namespace yeroup::app {
namespace {

class DesktopProxyTest : public ::testing::Test {
protected:
    DesktopProxyTest() {
        host.WriteFile("Firmware/A/A_1.0.zip", package);
        host.WriteFile("YEROMP3LiveUpdate.ini", "[A]\r\n");
        host.WriteFile("proxy.pac",
                       "function FindProxyForURL(url, host) {\n"
                       "  if (shExpMatch(url, \"*/Firmware/*\")) return \"PROXY 127.0.0.1:" +
                           std::to_string(proxy.Port()) + "\";\n  return \"DIRECT\";\n}\n");
        // GNOME's proxy settings as gsettings keeps them, in the keyfile backend's file.
        test::WriteFile(
            settings.Path() / "glib-2.0/settings/keyfile",
            "[system/proxy]\nmode='auto'\nautoconfig-url='" + host.Url("/proxy.pac") + "'\nignore-hosts=@as []\n");
    }

    // Fetches path from the host with the program's client; returns the proxy it went through.
    std::string FetchThrough(const std::string& path, const std::string& expected) {
        const auto client = MakeUpdateClient();
        platform::TMemoryStream stream;
        client->Get(host.Url(path), stream);
        EXPECT_TRUE(stream.ToString() == expected) << path;
        return client->ProxyInUse();
    }

    test::NginxServer host;
    test::TinyProxyServer proxy;
    test::ScratchFolder settings;
    const std::string package = test::Binary(200000, 4);
    const test::ScopedEnvironment desktop{"DESKTOP_SESSION", "gnome"};
    const test::ScopedEnvironment backend{"GSETTINGS_BACKEND", "keyfile"};
    const test::ScopedEnvironment config{"XDG_CONFIG_HOME", settings.Path().string()};
    const test::ScopedEnvironment httpProxy{"http_proxy", ""};
    const test::ScopedEnvironment upperHttpProxy{"HTTP_PROXY", ""};
};

TEST_F(DesktopProxyTest, APacFileOfTheDesktopSendsThePackagesThroughItsProxy) {
    EXPECT_EQ(FetchThrough("/Firmware/A/A_1.0.zip", package), "127.0.0.1:" + std::to_string(proxy.Port()));
    EXPECT_NE(proxy.Log().find("GET " + host.Url("/Firmware/A/A_1.0.zip")), std::string::npos) << proxy.Log();
    EXPECT_EQ(FetchThrough("/YEROMP3LiveUpdate.ini", "[A]\r\n"), "");
}

TEST_F(DesktopProxyTest, AProxyVariableComesFirst) {
    test::TinyProxyServer named;
    const test::ScopedEnvironment variable("http_proxy", named.ProxyUrl());
    EXPECT_EQ(FetchThrough("/YEROMP3LiveUpdate.ini", "[A]\r\n"), "127.0.0.1:" + std::to_string(named.Port()));
    EXPECT_EQ(FetchThrough("/Firmware/A/A_1.0.zip", package), "127.0.0.1:" + std::to_string(named.Port()));
    EXPECT_EQ(proxy.Log().find("GET "), std::string::npos);
}

}  // namespace
}  // namespace yeroup::app
