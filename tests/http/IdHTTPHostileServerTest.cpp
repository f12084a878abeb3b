// A broken or hostile server must not hang the client, bloat it or pass a wrong body as success: announced sizes,
// endless header blocks, odd framing, cancels, redirects, request targets, cookies and trickling. Memory is measured
// on the fetch tool, the same client in a process of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <typeinfo>

#include "app/download/UpdateClient.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPExceptions.h"
#include "http/IdURI.h"
#include "http/Limits.h"
#include "net/IdAntiFreeze.h"
#include "platform/threads/MainThread.h"
#include "tests/http/support/FetchToolRun.h"
#include "tests/http/support/ScriptedServer.h"
#include "tests/net/support/FakeMessagePump.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/ScratchFolder.h"

namespace yeroup::http {
namespace {

using test::ConnectionScript;
using test::HttpResponse;
using test::ScriptedServer;

// How a call ended: "ok" or the failure's kind and message.
std::string Outcome(const std::function<void()>& call) {
    try {
        call();
        return "ok";
    } catch (const EIdHTTPFramingError& e) {
        return std::string("framing: ") + e.what();
    } catch (const EIdHTTPBodyTooLarge& e) {
        return std::string("body: ") + e.what();
    } catch (const EIdHTTPHeaderTooLarge& e) {
        return std::string("header: ") + e.what();
    } catch (const EIdHTTPTooManyRedirects& e) {
        return std::string("redirects: ") + e.what();
    } catch (const net::EIdTimeLimitExceeded& e) {
        return std::string("time: ") + e.what();
    } catch (const EIdHTTPProtocolException& e) {
        return std::string("status: ") + e.what() + " [" + e.ErrorBody() + "]";
    } catch (const net::EIdConnClosedGracefully& e) {
        return std::string("closed: ") + e.what();
    } catch (const std::exception& e) {
        return std::string(typeid(e).name()) + ": " + e.what();
    }
}

std::string Lines(int count, const std::string& line) {
    std::string text;
    for (int i = 0; i < count; ++i) text += line + "\r\n";
    return text;
}

const std::string kChunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

TEST(HostileServer, AnnouncedSizesAndEndlessHeadersCostNoMemoryInTheFetchingProcess) {
    struct Case {
        const char* what;
        std::string reply;
        std::int64_t repeats;  // times the last piece is sent again
        std::string repeated;
        const char* error;  // expected in the tool's error output
    };
    const Case cases[] = {
        // A package goes to the disk, so its bound is the package's own, well past 2 GiB.
        {"chunk past the package bound after a small one", kChunked + "4\r\nabcd\r\n400000000\r\nxy", 0, "",
         "Response body exceeds 17179869184 bytes."},
        {"chunk that fits the limit, cut short", kChunked + "4\r\nabcd\r\n7FFFFFF0\r\nxy", 0, "",
         "Connection Closed Gracefully."},
        {"chunk of 256 MiB", kChunked + "10000000\r\nxy", 0, "", "Connection Closed Gracefully."},
        // Cut, and resumed once to find the host gone.
        {"length of 256 MiB", "HTTP/1.1 200 OK\r\nContent-Length: 268435456\r\n\r\nxy", 0, "",
         "gave up resuming after 2 tries: Connection Closed Gracefully."},
        {"64 MiB of header lines", "HTTP/1.1 200 OK\r\n", 2048, Lines(4096, "X-A: b"),
         "Response header exceeds 1000 lines."},
    };
    test::ScratchFolder scratch;
    ScriptedServer normal;
    normal.AddConnection(ConnectionScript().Respond(HttpResponse("200 OK", {}, std::string(1000, 'n'))));
    const test::FetchToolRun baseline = test::RunFetchTool(normal.Url("/n"), scratch.Path() / "n");
    ASSERT_EQ(baseline.exitStatus, 0) << baseline.errorOutput;
    for (const Case& c : cases) {
        ScriptedServer server;
        ConnectionScript script;
        script.Respond(c.reply);
        if (c.repeats > 0) script.SendRepeated(c.repeated, c.repeats);
        server.AddConnection(script.Close());
        const test::FetchToolRun run = test::RunFetchTool(server.Url("/f"), scratch.Path() / "f");
        EXPECT_EQ(run.exitStatus, 1) << c.what;
        EXPECT_NE(run.errorOutput.find(c.error), std::string::npos) << c.what << ": " << run.errorOutput;
        EXPECT_LT(run.peakKiB, baseline.peakKiB + 16 * 1024) << c.what;
        EXPECT_FALSE(std::filesystem::exists(scratch.Path() / "f")) << c.what;
    }
}

// One response (or several on one connection) for a client with the application's settings.
struct Exchange {
    explicit Exchange(const std::string& reply) : owned(app::MakeUpdateClient()), client(*owned) {
        server.AddConnection(ConnectionScript().Respond(reply).Close());
    }
    std::string Get(const std::string& path = "/f") {
        return Outcome([&] { client.Get(server.Url(path), stream); });
    }
    ScriptedServer server;
    std::unique_ptr<TIdHTTP> owned;
    TIdHTTP& client;
    platform::TMemoryStream stream;
};

TEST(HostileServer, HeaderBlockBoundsAreCrossedByOne) {
    const int lines = limits::kMaxHeaderLines;
    // The status line (15 bytes), the length (17) and four padding lines make exactly the byte bound.
    const std::string pad = "X-Pad: " + std::string((limits::kMaxHeaderBlockBytes - 15 - 17) / 4 - 7, 'p');
    const std::string fullBlock = "Content-Length: 2\r\n" + Lines(4, pad);
    struct Case {
        std::string reply;
        std::string outcome;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\n" + Lines(lines - 1, "X-A: b") + "Content-Length: 2\r\n\r\nok", "ok"},
        {"HTTP/1.1 200 OK\r\n" + Lines(lines, "X-A: b") + "Content-Length: 2\r\n\r\nok",
         "header: Response header exceeds 1000 lines."},
        {"HTTP/1.1 200 OK\r\n" + fullBlock + "\r\nok", "ok"},
        {"HTTP/1.1 200 OK\r\n" + fullBlock + "X\r\n\r\nok", "header: Response header exceeds 65536 bytes."},
        // Interim responses share the head's budget.
        {Lines(1000, "HTTP/1.1 100 Continue\r\nX-Pad: " + std::string(60, 'c') + "\r\n") + "HTTP/1.1 200 OK\r\n\r\n",
         "header: Response header exceeds 65536 bytes."},
        // Trailers get a budget of their own.
        {kChunked + "2\r\nok\r\n0\r\n" + Lines(lines, "X-T: 1") + "\r\n", "ok"},
        {kChunked + "2\r\nok\r\n0\r\n" + Lines(lines + 1, "X-T: 1") + "\r\n",
         "header: Response header exceeds 1000 lines."},
    };
    for (const Case& c : cases) {
        Exchange exchange(c.reply);
        EXPECT_EQ(exchange.Get(), c.outcome) << c.reply.substr(0, 80);
        if (c.outcome == "ok") {
            EXPECT_EQ(exchange.stream.ToString(), "ok");
        }
    }
}

TEST(HostileServer, FramingFollowsTheMessageRules) {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    struct Case {
        std::string head;  // after the status line, up to and including the blank line
        std::string body;
        std::int64_t maxBody;
        std::string outcome;
        std::string kept;
    } cases[] = {
        {"Transfer-Encoding: Chunked\r\n\r\n", "2\r\nhi\r\n0\r\n\r\n", limits::kMaxBodySize, "ok", "hi"},
        {"Transfer-Encoding: gzip, CHUNKED\r\n\r\n", "2\r\nhi\r\n0\r\n\r\n", limits::kMaxBodySize, "ok", "hi"},
        {"Content-Length: 100\r\nTransfer-Encoding: chunked\r\n\r\n", "2\r\nhi\r\n0\r\n\r\n", limits::kMaxBodySize,
         "ok", "hi"},
        {"Content-Length: 2\r\nContent-Length: 2\r\n\r\n", "hi", limits::kMaxBodySize, "ok", "hi"},
        {"Content-Length: 2, 2\r\n\r\n", "hi", limits::kMaxBodySize, "ok", "hi"},
        {"Content-Length: 2\r\nContent-Length: 3\r\n\r\n", "hi!", limits::kMaxBodySize,
         "framing: Conflicting Content-Length values \"2\" and \"3\".", ""},
        {"Content-Length: 12a\r\n\r\n", "hi", limits::kMaxBodySize, "framing: Invalid Content-Length \"12a\".", ""},
        {"Content-Length: -1\r\n\r\n", "hi", limits::kMaxBodySize, "framing: Invalid Content-Length \"-1\".", ""},
        {"Content-Length: 2147483648\r\n\r\n", "hi", limits::kMaxBodySize,
         "body: Response body exceeds 2147483647 bytes.", ""},
        {"Transfer-Encoding: chunked\r\n\r\n", "FFFFFFFF\r\nhi", limits::kMaxBodySize,
         "body: Response body exceeds 2147483647 bytes.", ""},
        {"Transfer-Encoding: chunked\r\n\r\n", "-1\r\nhi", limits::kMaxBodySize, "framing: Invalid chunk size \"-1\".",
         ""},
        {"Transfer-Encoding: chunked\r\n\r\n", "00000000000000002\r\nhi", limits::kMaxBodySize,
         "framing: Invalid chunk size \"00000000000000002\".", ""},
        {"Transfer-Encoding: chunked\r\n\r\n", "2\r\nhi there\r\n0\r\n\r\n", limits::kMaxBodySize,
         "framing: Chunk data is not followed by a line end.", "hi"},
        // A lowered limit, crossed by one byte in each framing.
        {"Content-Length: 10\r\n\r\n", "0123456789", 10, "ok", "0123456789"},
        {"Content-Length: 11\r\n\r\n", "0123456789A", 10, "body: Response body exceeds 10 bytes.", ""},
        {"Transfer-Encoding: chunked\r\n\r\n", "6\r\n012345\r\n4\r\n6789\r\n0\r\n\r\n", 10, "ok", "0123456789"},
        {"Transfer-Encoding: chunked\r\n\r\n", "6\r\n012345\r\n5\r\n6789A\r\n0\r\n\r\n", 10,
         "body: Response body exceeds 10 bytes.", "012345"},
        {"\r\n", "0123456789", 10, "ok", "0123456789"},
        {"\r\n", "0123456789A", 10, "body: Response body exceeds 10 bytes.", ""},
    };
    for (const Case& c : cases) {
        Exchange exchange(ok + c.head + c.body);
        exchange.client.MaxBodySize = c.maxBody;
        EXPECT_EQ(exchange.Get(), c.outcome) << c.head << c.body;
        if (c.outcome == "ok") {
            EXPECT_EQ(exchange.stream.ToString(), c.kept) << c.head << c.body;
        } else {
            EXPECT_FALSE(exchange.client.IsConnected()) << c.head << c.body;
        }
    }
    // Chunked framing wins over a length, and such an ambiguous response is not followed by another on its
    // connection.
    ScriptedServer server;
    server.AddConnection(
        ConnectionScript().Respond(ok + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nhi\r\n0\r\n\r\n"));
    server.AddConnection(ConnectionScript().Respond(HttpResponse("200 OK", {}, "next")));
    TIdHTTP client;
    platform::TMemoryStream stream;
    client.Get(server.Url("/a"), stream);
    EXPECT_EQ(client.Response().ContentLength(), -1);
    client.Get(server.Url("/b"), stream);
    EXPECT_EQ(stream.ToString(), "hinext");
    EXPECT_EQ(server.ConnectionCount(), 2);
}

TEST(HostileServer, UnwantedBodiesAreReadOnlyUpToTheirBound) {
    // An error body is kept for the exception up to its bound; past it the rest is not read and the connection goes.
    for (const std::int32_t extra : {0, 1}) {
        const std::string page(static_cast<std::size_t>(limits::kMaxErrorBodyBytes + extra), 'e');
        ScriptedServer server;
        server.AddConnection(ConnectionScript().Respond(HttpResponse("404 Not Found", {}, page)));
        TIdHTTP client;
        platform::TMemoryStream stream;
        if (const auto e =
                yeroup::test::Thrown<EIdHTTPProtocolException>([&] { client.Get(server.Url("/missing"), stream); })) {
            EXPECT_EQ(e->ErrorBody().size(), static_cast<std::size_t>(limits::kMaxErrorBodyBytes));
        }
        EXPECT_EQ(client.IsConnected(), extra == 0);
    }
    // A redirect body is read and dropped up to its bound, so the connection carries the next request; a longer one
    // costs the connection instead.
    for (const std::int32_t extra : {0, 1}) {
        const std::string moved(static_cast<std::size_t>(limits::kMaxDiscardedBodyBytes + extra), 'm');
        ScriptedServer server;
        server.AddConnection(ConnectionScript()
                                 .Respond(HttpResponse("302 Found", {"Location: /there"}, moved))
                                 .Respond(HttpResponse("200 OK", {}, "there")));
        server.AddConnection(ConnectionScript().Respond(HttpResponse("200 OK", {}, "there")));
        TIdHTTP client;
        client.HandleRedirects = true;
        platform::TMemoryStream stream;
        client.Get(server.Url("/here"), stream);
        EXPECT_EQ(stream.ToString(), "there");
        EXPECT_EQ(server.ConnectionCount(), 1 + extra);
    }
}

TEST(HostileServer, AStalledUnwantedBodyIsGivenUpAfterItsOwnReadTimeOut) {
    // Half of each body comes, then nothing: the call waits the body's own time-out, not the client's (none here).
    const struct {
        std::string head;
        std::int32_t timeout;
        std::string outcome;
    } cases[] = {
        {"HTTP/1.1 404 Not Found\r\n", limits::kErrorBodyReadTimeout, "status: HTTP/1.1 404 Not Found [01234]"},
        {"HTTP/1.1 302 Found\r\nLocation: /there\r\n", limits::kDiscardedBodyReadTimeout, "ok"},
    };
    for (const auto& c : cases) {
        ScriptedServer server;
        server.AddConnection(ConnectionScript().Respond(c.head + "Content-Length: 10\r\n\r\n01234"));
        server.AddConnection(ConnectionScript().Respond(HttpResponse("200 OK", {}, "there")));
        TIdHTTP client;
        client.HandleRedirects = true;
        platform::TMemoryStream stream;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Outcome([&] { client.Get(server.Url("/here"), stream); }), c.outcome);
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_GE(waited, std::chrono::milliseconds(c.timeout));
        EXPECT_LT(waited, std::chrono::milliseconds(c.timeout + 2000));
        EXPECT_EQ(server.ConnectionCount(), c.outcome == "ok" ? 2 : 1);
    }
}

TEST(HostileServer, ABodyCutShortKeepsEveryByteThatCame) {
    Exchange exchange("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(40000, 'k'));
    EXPECT_EQ(exchange.Get(), "ok");
    EXPECT_EQ(exchange.stream.Size(), 40000);
    EXPECT_FALSE(exchange.client.IsConnected());
}

TEST(HostileServer, ACancelEndsTheSameWayWhenItsSliceFoundData) {
    platform::ScopedMainThread mainThread(platform::CurrentThreadId());
    test::FakeMessagePump pump;
    net::TIdAntiFreeze antiFreeze(pump);
    antiFreeze.OnlyWhenIdle = false;  // every slice that found data pumps, as while the main window exists
    const std::string flood(1 << 20, 'f');
    struct Case {
        std::string head;
        std::string outcome;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 2000000000\r\n\r\n", "ok"},
        {"HTTP/1.1 200 OK\r\n\r\n", "ok"},
        {kChunked + "70000000\r\n", "closed: Connection Closed Gracefully."},
        {"HTTP/1.1 200", "closed: Connection Closed Gracefully."},
    };
    for (const Case& c : cases) {
        ScriptedServer server;
        ConnectionScript script;
        script.Respond(c.head);
        if (c.head.back() == '\n') script.SendRepeated(flood, 64);
        server.AddConnection(script.WaitForPeerClose());
        const auto owned = app::MakeUpdateClient();
        TIdHTTP& client = *owned;
        bool cancelled = false;
        bool bodyBegan = false;
        client.OnWorkBegin = [&](net::TIdComponent*, net::TWorkMode, std::int32_t) { bodyBegan = true; };
        // The cancel button, pressed once the body flows (or the head has begun to come).
        pump.onPump = [&] {
            if (!cancelled && (bodyBegan || client.InputBuffer().Size() > 0)) {
                cancelled = true;
                client.Disconnect();
            }
        };
        platform::TMemoryStream stream;
        EXPECT_EQ(Outcome([&] { client.Get(server.Url("/f"), stream); }), c.outcome) << c.head;
        EXPECT_TRUE(cancelled);
        EXPECT_FALSE(client.IsConnected());
        pump.onPump = nullptr;
    }
}

TEST(HostileServer, EveryCallCountsItsOwnRedirects) {
    ScriptedServer server;
    ConnectionScript script;
    for (int i = 0; i < 15; ++i) script.Respond(HttpResponse("404 Not Found", {}, "no"));
    for (int i = 1; i <= 14; ++i)
        script.Respond(HttpResponse("302 Found", {"Location: /hop" + std::to_string(i)}, "hop"));
    script.Respond(HttpResponse("200 OK", {}, "there"));
    server.AddConnection(script);
    TIdHTTP client;
    client.HandleRedirects = true;
    platform::TMemoryStream stream;
    for (int i = 0; i < 15; ++i) EXPECT_THROW(client.Get(server.Url("/missing"), stream), EIdHTTPProtocolException);
    // Fourteen redirects are within the limit of fifteen exchanges, after any number of failed calls.
    client.Get(server.Url("/hop0"), stream);
    EXPECT_EQ(stream.ToString(), "there");
    EXPECT_EQ(server.ConnectionCount(), 1);
}

TEST(HostileServer, RequestTargetsCannotBreakTheRequestLine) {
    ScriptedServer server;
    server.AddConnection(ConnectionScript()
                             .Respond(HttpResponse("200 OK", {}, "1"))
                             .Respond(HttpResponse("200 OK", {}, "2"))
                             .Respond(HttpResponse("200 OK", {}, "3")));
    const auto owned = app::MakeUpdateClient();
    TIdHTTP& client = *owned;
    platform::TMemoryStream stream;
    client.Get(server.Url("/Firmware/M 1/M 1_\"<>\\^`{|}\x7F\x01\xB0\xA1%41.asp?a=b c"), stream);
    client.Get(server.Url("/a.htm\r\nX-Injected: 1"), stream);
    client.Get(server.Url("/b.htm\nX-Injected: 2\r"), stream);
    EXPECT_EQ(stream.ToString(), "123");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 3u);
    // The backslash became a slash when the address was read, as it always has.
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")),
              "GET /Firmware/M%201/M%201_%22%3C%3E/%5E%60%7B%7C%7D%7F%01\xB0\xA1%41.asp?a=b%20c HTTP/1.1");
    EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "GET /a.htm%0D%0AX-Injected:%201 HTTP/1.1");
    EXPECT_EQ(requests[2].substr(0, requests[2].find("\r\n")), "GET /b.htm%0AX-Injected:%202%0D HTTP/1.1");
    for (const auto& request : requests) EXPECT_EQ(request.find("\r\nX-Injected"), std::string::npos);
    EXPECT_THROW(client.Get("http://127.0.0.1\r\nX-Injected: 3/", stream), EIdURIException);
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST(HostileServer, CookiesStayWithinTheirBounds) {
    const auto cookieHeader = [](const std::string& request) {
        const auto at = request.find("\r\nCookie: ");
        if (at == std::string::npos) return std::string();
        return request.substr(at + 10, request.find("\r\n", at + 10) - at - 10);
    };
    std::vector<std::string> many;
    for (int i = 0; i <= limits::kMaxCookiesPerDomain; ++i)
        many.push_back("Set-Cookie: c" + std::to_string(i) + "=v; path=/");
    ScriptedServer server;
    server.AddConnection(
        ConnectionScript().Respond(HttpResponse("200 OK", many, "")).Respond(HttpResponse("200 OK", {}, "")));
    platform::TMemoryStream stream;
    TIdHTTP client;
    client.Get(server.Url("/many"), stream);
    client.Get(server.Url("/next"), stream);
    const std::string sent = cookieHeader(server.Requests()[1]);
    EXPECT_EQ(sent.find("c0=v"), std::string::npos) << "the oldest cookie made room";
    for (int i = 1; i <= limits::kMaxCookiesPerDomain; ++i)
        EXPECT_NE(sent.find("c" + std::to_string(i) + "=v"), std::string::npos) << i;

    // "a=" and "b=" with their values and "; " between them make the header's whole budget; one byte more and one
    // of them stays out.
    const auto cookie = [](const std::string& name, std::size_t valueBytes) {
        return "Set-Cookie: " + name + "=" + std::string(valueBytes, 'v') + "; path=/";
    };
    const std::size_t half = (limits::kMaxCookieHeaderBytes - 2) / 2 - 2;
    ScriptedServer sizes;
    sizes.AddConnection(ConnectionScript()
                            .Respond(HttpResponse("200 OK", {cookie("a", half), cookie("b", half)}, ""))
                            .Respond(HttpResponse("200 OK", {cookie("b", half + 1)}, ""))
                            .Respond(HttpResponse("200 OK", {}, "")));
    TIdHTTP sized;
    sized.Get(sizes.Url("/set"), stream);
    sized.Get(sizes.Url("/full"), stream);
    sized.Get(sizes.Url("/over"), stream);
    const auto requests = sizes.Requests();
    EXPECT_EQ(cookieHeader(requests[1]).size(), limits::kMaxCookieHeaderBytes);
    const std::string over = cookieHeader(requests[2]);
    EXPECT_TRUE(over == "a=" + std::string(half, 'v') || over == "b=" + std::string(half + 1, 'v')) << over.size();
}

TEST(HostileServer, ATricklingServerIsCutOffByTheCallTimeLimit) {
    ScriptedServer server;
    server.AddConnection(
        ConnectionScript().ReadRequest().Trickle("HTTP/1.1 200 OK\r\nX-Slow: " + std::string(200, 's'), 50));
    TIdHTTP client;
    client.ReadTimeout = 1000;  // never reached: a byte comes every 50 ms
    client.CallTimeout = 600;
    platform::TMemoryStream stream;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Outcome([&] { client.Get(server.Url("/slow"), stream); }), "time: Time limit of 600 ms exceeded.");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(client.IsConnected());
}

}  // namespace
}  // namespace yeroup::http
