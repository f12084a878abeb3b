// How the client reads what comes back: status lines, interim responses, header blocks cut short,
// and bodies by length, by chunks and until the peer closes, with their work events.
#include <gtest/gtest.h>

#include <vector>

#include "app/download/UpdateClient.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPExceptions.h"
#include "tests/http/support/ScriptedServer.h"
#include "tests/support/ExpectThrow.h"

namespace yeroup::http {
namespace {

using test::ConnectionScript;
using test::HttpResponse;
using test::ScriptedServer;

struct WorkLog {
    std::vector<std::string> events;
    void Attach(TIdHTTP& client) {
        client.OnWorkBegin = [this](net::TIdComponent*, net::TWorkMode mode, std::int32_t max) {
            if (mode == net::wmRead) events.push_back("begin " + std::to_string(max));
        };
        client.OnWork = [this](net::TIdComponent*, net::TWorkMode mode, std::int32_t count) {
            if (mode == net::wmRead) events.push_back("work " + std::to_string(count));
        };
        client.OnWorkEnd = [this](net::TIdComponent*, net::TWorkMode mode) {
            if (mode == net::wmRead) events.push_back("end");
        };
    }
};

std::string Bytes(std::size_t n) {
    std::string text(n, '\0');
    for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
}

TEST(IdHTTPResponse, BodyOfKnownLengthWithWorkEvents) {
    ScriptedServer server;
    const std::string body = Bytes(1234);
    server.AddConnection(ConnectionScript().ReadRequest().Send(HttpResponse("200 OK", {}, body)));
    const auto owned = app::MakeUpdateClient();
    TIdHTTP& client = *owned;
    WorkLog log;
    log.Attach(client);
    platform::TMemoryStream stream;
    stream.WriteBuffer("keep", 4);
    client.Get(server.Url("/f.zip"), stream);
    EXPECT_EQ(stream.ToString(), "keep" + body);
    EXPECT_EQ(client.Response().ContentLength(), 1234);
    ASSERT_GE(log.events.size(), 3u);
    EXPECT_EQ(log.events.front(), "begin 1234");
    EXPECT_EQ(log.events[log.events.size() - 2], "work 1234");
    EXPECT_EQ(log.events.back(), "end");
}

TEST(IdHTTPResponse, BodyUntilThePeerCloses) {
    ScriptedServer server;
    server.AddConnection(
        ConnectionScript().Respond("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n" + Bytes(70000)).Close());
    TIdHTTP client;
    WorkLog log;
    log.Attach(client);
    platform::TMemoryStream stream;
    client.Get(server.Url("/c"), stream);
    EXPECT_EQ(stream.ToString(), Bytes(70000));
    ASSERT_FALSE(log.events.empty());
    EXPECT_EQ(log.events.front(), "begin 0");
    EXPECT_FALSE(client.IsConnected());
}

TEST(IdHTTPResponse, ChunkedBodies) {
    ScriptedServer server;
    const std::string data = Bytes(26);
    server.AddConnection(
        ConnectionScript()
            .Respond("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1a\r\n" + data + "\r\n0\r\n\r\n")
            // A chunk extension does not end the body.
            .Respond("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1A;ext=\"v\"\r\n" + data +
                     "\r\n3 ; x\r\nxyz\r\n0\r\n\r\n")
            // Trailer lines are read up to the blank line, so the next response on the connection is found.
            .Respond("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nhi\r\n0\r\nX-Trailer: 1\r\n\r\n")
            .Respond(HttpResponse("200 OK", {}, "next")));
    TIdHTTP client;
    std::vector<std::string> statuses;
    client.OnStatus = [&](net::TIdComponent*, net::TIdStatus status, const std::string& text) {
        if (status == net::hsStatusText) statuses.push_back(text);
    };
    WorkLog log;
    log.Attach(client);
    platform::TMemoryStream first;
    client.Get(server.Url("/1"), first);
    EXPECT_EQ(first.ToString(), data);
    EXPECT_EQ(statuses, (std::vector<std::string>{"Chunk Started"}));
    EXPECT_EQ(log.events.front(), "begin 26");
    platform::TMemoryStream second;
    client.Get(server.Url("/2"), second);
    EXPECT_EQ(second.ToString(), data + "xyz");
    platform::TMemoryStream third;
    client.Get(server.Url("/3"), third);
    EXPECT_EQ(third.ToString(), "hi");
    platform::TMemoryStream fourth;
    client.Get(server.Url("/4"), fourth);
    EXPECT_EQ(fourth.ToString(), "next");
    EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST(IdHTTPResponse, UnreadableChunkSizeIsAnError) {
    ScriptedServer server;
    server.AddConnection(ConnectionScript().Respond("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n\r\n"));
    TIdHTTP client;
    platform::TMemoryStream stream;
    EXPECT_THROW_TEXT(client.Get(server.Url("/z"), stream), EIdHTTPFramingError, "Invalid chunk size \"zz\".");
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_FALSE(client.IsConnected());
}

TEST(IdHTTPResponse, NoBodyFor204OrHead) {
    ScriptedServer server;
    server.AddConnection(ConnectionScript()
                             .Respond("HTTP/1.1 204 No Content\r\n\r\n")
                             .Respond("HTTP/1.1 200 OK\r\nContent-Length: 500\r\n\r\n")
                             .Respond(HttpResponse("200 OK", {}, "after")));
    TIdHTTP client;
    platform::TMemoryStream stream;
    client.Get(server.Url("/nothing"), stream);
    EXPECT_EQ(client.Response().StatusCode(), 204);
    EXPECT_TRUE(client.IsConnected());
    client.RunRequest(hmHead, server.Url("/head"), nullptr, &stream);
    EXPECT_EQ(client.Response().ContentLength(), 500);
    EXPECT_EQ(stream.Size(), 0);
    client.Get(server.Url("/after"), stream);
    EXPECT_EQ(stream.ToString(), "after");
    EXPECT_EQ(server.Requests()[1].substr(0, 21), "HEAD /head HTTP/1.1\r\n");
}

TEST(IdHTTPResponse, StatusLines) {
    ScriptedServer server;
    server.AddConnection(ConnectionScript()
                             .Respond("HTTP/1.1 200\r\nContent-Length: 2\r\n\r\nok")
                             .Respond("HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\n"
                                      "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nyes")
                             .Respond("HTTP/1.1 abc\r\nContent-Length: 4\r\n\r\nbody"));
    TIdHTTP client;
    platform::TMemoryStream stream;
    client.Get(server.Url("/1"), stream);
    EXPECT_EQ(client.Response().StatusCode(), 200);
    EXPECT_EQ(client.Response().StatusLine, "HTTP/1.1 200");
    client.Get(server.Url("/2"), stream);
    EXPECT_EQ(client.Response().StatusLine, "HTTP/1.1 200 OK");
    EXPECT_EQ(stream.ToString(), "okyes");
    if (const auto e = yeroup::test::Thrown<EIdHTTPProtocolException>([&] { client.Get(server.Url("/3"), stream); })) {
        EXPECT_EQ(e->ErrorCode(), -1);
        EXPECT_STREQ(e->what(), "HTTP/1.1 abc");
        EXPECT_EQ(e->ErrorBody(), "body");
    }
    EXPECT_EQ(stream.ToString(), "okyes");
}

TEST(IdHTTPResponse, PeerClosesEarly) {
    ScriptedServer server;
    server.AddConnection(ConnectionScript().ReadRequest().Close());
    server.AddConnection(ConnectionScript().Respond("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nX-Cut").Close());
    server.AddConnection(ConnectionScript().Respond("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n1234").Close());
    server.AddConnection(
        ConnectionScript().Respond("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\n1234").Close());
    TIdHTTP client;
    platform::TMemoryStream stream;
    EXPECT_THROW_TEXT(client.Get(server.Url("/no-status"), stream), net::EIdConnClosedGracefully,
                      "Connection Closed Gracefully.");
    EXPECT_THROW_TEXT(client.Get(server.Url("/mid-header"), stream), net::EIdException, "Undefined situation");
    EXPECT_EQ(client.Response().HeaderLines.HeaderValue("Content-Length"), "10");
    EXPECT_FALSE(client.IsConnected());
    // A short body of known length is returned as it came.
    client.Get(server.Url("/short"), stream);
    EXPECT_EQ(stream.ToString(), "1234");
    EXPECT_FALSE(client.IsConnected());
    stream.Clear();
    EXPECT_THROW(client.Get(server.Url("/chunk-cut"), stream), net::EIdConnClosedGracefully);
    EXPECT_FALSE(client.IsConnected());
}

TEST(IdHTTPResponse, OverlongHeaderLine) {
    ScriptedServer server;
    server.AddConnection(
        ConnectionScript().Respond("HTTP/1.1 200 OK\r\nX-Big: " + std::string(20000, 'x') + "\r\n\r\n"));
    const auto owned = app::MakeUpdateClient();
    TIdHTTP& client = *owned;
    platform::TMemoryStream stream;
    EXPECT_THROW_TEXT(client.Get(server.Url("/big"), stream), net::EIdReadLnMaxLineLengthExceeded,
                      "Max line length exceeded.");
}

}  // namespace
}  // namespace yeroup::http
