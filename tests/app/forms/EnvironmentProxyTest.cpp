// The program behind the proxy the environment names (tinyproxy): the page views go through it, and a proxy that
// refuses or cannot be reached is named to the user, the catalogue falling back to its stored copy as for any
// failed fetch.
#include <gtest/gtest.h>

#include "app/core/Message.h"
#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "tests/app/support/AppHarness.h"
#include "tests/http/support/ProxyServer.h"
#include "tests/support/LoopbackSocket.h"
#include "tests/support/ScopedEnvironment.h"

using namespace yeroup::app;
using namespace yeroup::test;

namespace {

TEST(EnvironmentProxy, ARefusingProxyIsNamedAndTheCatalogueFallsBack) {
    TinyProxyServer guarded("user", "s3cret");
    const std::string unreachable = "127.0.0.1:" + std::to_string(FreeLoopbackPort());
    const std::string guardedAt = "127.0.0.1:" + std::to_string(guarded.Port());
    const std::string refused = Format(texts::kProxyRefused, {guardedAt});
    const std::string noConnection = Format(texts::kProxyUnreachable, {unreachable});
    for (const auto& [proxy, text] :
         {std::pair{guarded.ProxyUrl(), refused}, std::pair{"http://" + unreachable, noConnection}}) {
        SCOPED_TRACE(proxy);
        AppHarness h;
        h.ServeCatalogue("[A]\r\n1.0=x\r\n", true);
        h.ServePackage("A", "1.0", "package");
        const ScopedEnvironment environment("http_proxy", proxy);  // read by the clients when made
        auto splash = h.MakeSplash();
        splash->FormAc();
        EXPECT_FALSE(splash->TerminateRequested());
        TForm2& form = h.MakeMain();
        form.Button1->click();
        EXPECT_EQ(h.boxes.Texts(), (std::vector<std::string>{std::string(texts::kCatalogueKept) + "\r" + text, text}));
        EXPECT_FALSE(std::filesystem::exists(h.services.Files.PackageFile("A", "1.0")));
        EXPECT_TRUE(h.server.Requests().empty());
    }
}

TEST(EnvironmentProxy, PagesAndPackagesGoThroughTheProxy) {
    TinyProxyServer proxy("user", "s3cret");
    AppHarness h;
    h.ServeCatalogue("[A]\r\n1.0=x\r\n", true);
    h.ServePackage("A", "1.0", std::string(100000, 'p'));
    h.server.Serve("/YEROMP3LiveUpdate", "<html><body>home</body></html>");
    const ScopedEnvironment environment("http_proxy", proxy.ProxyUrl("user", "s3cret"));
    TForm2& form = h.MakeMain();
    ASSERT_TRUE(WaitUntil([&] { return form.WebBrowser1->LoadCount() > 0; }));
    EXPECT_TRUE(form.WebBrowser1->ShowsPage());
    form.Button1->click();
    EXPECT_EQ(ReadFile(h.services.Files.PackageFile("A", "1.0")), std::string(100000, 'p'));
    const std::string log = proxy.Log();
    EXPECT_NE(log.find("GET http://" + h.server.Host() + "/YEROMP3LiveUpdate "), std::string::npos) << log;
    EXPECT_NE(log.find("GET http://" + h.server.Host() + "/YEROMP3LiveUpdate/Firmware/A/A_1.0.zip "), std::string::npos)
        << log;
}

}  // namespace
