// The client against real servers from the system's packages on loopback: nginx and Python's http.server.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/download/UpdateClient.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPExceptions.h"
#include "tests/http/support/RealServers.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/TestBytes.h"

namespace yeroup::http {
namespace {

using test::Binary;

// Text without anything server-side includes would act on.
std::string Text(std::size_t size) {
    std::string text;
    while (text.size() < size) text += "Firmware notes line " + std::to_string(text.size()) + "\n";
    text.resize(size);
    return text;
}

TEST(IdHTTPInterop, Nginx) {
    test::NginxServer server;
    const std::string package = Binary(300000, 7);
    const std::string page = Text(150000);
    server.WriteFile("FirmwareBack/pkg.zip", package);
    server.WriteFile("404.html", "<html>no such firmware</html>\n");
    server.WriteFile("ssi/page.htm", page);
    const auto owned = app::MakeUpdateClient();
    TIdHTTP& client = *owned;

    platform::TMemoryStream stream;
    client.Get(server.Url("/FirmwareBack/pkg.zip"), stream);
    EXPECT_EQ(client.Response().ContentLength(), 300000);
    EXPECT_TRUE(stream.ToString() == package);
    EXPECT_TRUE(client.IsConnected());

    platform::TMemoryStream missing;
    if (const auto e = yeroup::test::Thrown<EIdHTTPProtocolException>(
            [&] { client.Get(server.Url("/FirmwareBack/none.zip"), missing); })) {
        EXPECT_STREQ(e->what(), "HTTP/1.1 404 Not Found");
        EXPECT_EQ(e->ErrorCode(), 404);
        EXPECT_EQ(e->ErrorBody(), "<html>no such firmware</html>\n");
    }

    platform::TMemoryStream chunked;
    client.Get(server.Url("/ssi/page.htm"), chunked);
    EXPECT_EQ(client.Response().HeaderLines.HeaderValue("Transfer-Encoding"), "chunked");
    EXPECT_TRUE(chunked.ToString() == page);
    EXPECT_TRUE(client.IsConnected());
}

TEST(IdHTTPInterop, PythonHttpServer) {
    test::PythonFileServer server;
    const std::string catalogue = Binary(70000, 3);
    server.WriteFile("YEROMP3LiveUpdate.ini", catalogue);
    const auto owned = app::MakeUpdateClient();
    TIdHTTP& client = *owned;
    for (int round = 0; round < 2; ++round) {
        platform::TMemoryStream stream;
        client.Get(server.Url("/YEROMP3LiveUpdate.ini"), stream);
        EXPECT_TRUE(stream.ToString() == catalogue);
        // An HTTP/1.0 server closes after each response.
        EXPECT_FALSE(client.IsConnected());
    }
    platform::TMemoryStream missing;
    if (const auto e =
            yeroup::test::Thrown<EIdHTTPProtocolException>([&] { client.Get(server.Url("/none.ini"), missing); })) {
        EXPECT_EQ(e->ErrorCode(), 404);
        EXPECT_EQ(std::string(e->what()).rfind("HTTP/1.0 404 ", 0), 0u) << e->what();
        EXPECT_EQ(static_cast<std::int32_t>(e->ErrorBody().size()), client.Response().ContentLength());
        EXPECT_NE(e->ErrorBody().find("404"), std::string::npos);
    }
}

TEST(IdHTTPInterop, PythonChunkedHandler) {
    test::PythonChunkedServer server;
    const std::string data = Binary(250000, 11);
    server.WriteFile("data.bin", data);
    const auto owned = app::MakeUpdateClient();
    TIdHTTP& client = *owned;
    for (int round = 0; round < 2; ++round) {
        platform::TMemoryStream stream;
        client.Get(server.Url("/data.bin"), stream);
        EXPECT_EQ(client.Response().HeaderLines.HeaderValue("Transfer-Encoding"), "chunked");
        EXPECT_EQ(stream.Size(), 250000);
        EXPECT_TRUE(stream.ToString() == data);
        EXPECT_TRUE(client.IsConnected());
    }
}

}  // namespace
}  // namespace yeroup::http
