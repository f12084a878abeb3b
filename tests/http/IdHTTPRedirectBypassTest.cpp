// An https origin redirecting with every Location form that once reached a plain-http server: through the client
// with redirects on and through the fetch tool, nothing ever reaches the plain server.
#include <gtest/gtest.h>

#include "app/download/UpdateClient.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPExceptions.h"
#include "tests/http/support/FetchToolRun.h"
#include "tests/http/support/ScriptedServer.h"
#include "tests/http/support/TlsServers.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"

namespace yeroup::http {
namespace {

// Each Location, with Q standing for the plain server's port.
std::vector<std::string> BypassForms(std::uint16_t plainPort) {
    const std::string q = "127.0.0.1:" + std::to_string(plainPort);
    return {"h%74tp://" + q + "/e", "%68ttp://" + q + "/e",     "1http://" + q + "/e",
            "x_y://" + q + "/e",    "/go?u=http://" + q + "/h", "/p/http://" + q + "/f",
            "h%74tp://127.0.0.1/g", "/\\" + q + "/b",           "https:" + q + "/s"};
}

std::string Redirect(const std::string& location) {
    return "HTTP/1.1 302 Found\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n";
}

TEST(IdHTTPRedirectBypass, NoLocationTakesAnHttpsCallToClearText) {
    test::UseTestHostNames names;
    test::ScriptedServer plain;
    for (const std::string& location : BypassForms(plain.Port())) {
        SCOPED_TRACE(location);
        test::BrokenTlsServer origin("cut", Redirect(location));
        const auto client = app::MakeUpdateClient(/*secureHost=*/true, test::TestCAFile());
        client->HandleRedirects = true;
        client->RedirectMaximum = 3;
        platform::TMemoryStream stream;
        // Refused, or followed on the origin until the limit: never dialled elsewhere.
        try {
            client->Get("https://update.test:" + std::to_string(origin.Port()) + "/start", stream);
            ADD_FAILURE() << "the call ended normally";
        } catch (const EIdHTTPRedirectRefused&) {
        } catch (const EIdHTTPTooManyRedirects&) {
            EXPECT_EQ(client->URL().Protocol, "https");
            EXPECT_EQ(client->URL().Host, "update.test");
        }
    }
    EXPECT_EQ(plain.ConnectionCount(), 0);
}

TEST(IdHTTPRedirectBypass, TheFetchToolStaysOnHttpsToo) {
    test::ScriptedServer plain;
    test::ScratchFolder folder;
    const test::ScopedEnvironment ca("YEROUP_CA_FILE", test::TestCAFile());
    for (const std::string& location : BypassForms(plain.Port())) {
        SCOPED_TRACE(location);
        test::BrokenTlsServer origin("cut", Redirect(location));
        const test::FetchToolRun run = test::RunFetchTool(
            {"https://localhost:" + std::to_string(origin.Port()) + "/start", folder / "f"}, folder / "err", 20000);
        EXPECT_EQ(run.exitStatus, 1) << run.errorOutput;
    }
    EXPECT_EQ(plain.ConnectionCount(), 0);
}

}  // namespace
}  // namespace yeroup::http
