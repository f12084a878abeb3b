// Cancelling a download: Disconnect called from a window message handler that the anti-freeze runs
// while Get waits for body bytes.
#include <gtest/gtest.h>

#include "app/download/UpdateClient.h"
#include "http/IdHTTP.h"
#include "net/IdAntiFreeze.h"
#include "platform/threads/MainThread.h"
#include "tests/http/support/ScriptedServer.h"
#include "tests/net/support/FakeMessagePump.h"

namespace yeroup::http {
namespace {

using test::ConnectionScript;
using test::ScriptedServer;

struct CancelFixture {
    explicit CancelFixture(const std::string& reply) : mainThread(platform::CurrentThreadId()), antiFreeze(pump) {
        server.AddConnection(ConnectionScript().ReadRequest().Send(reply).WaitForPeerClose());
        client.OnWork = [this](net::TIdComponent*, net::TWorkMode mode, std::int32_t count) {
            if (mode == net::wmRead) received = count;
        };
        client.OnWorkEnd = [this](net::TIdComponent*, net::TWorkMode mode) {
            if (mode == net::wmRead) ++workEnds;
        };
        // The cancel button: pressed once the first body bytes are in.
        pump.onPump = [this] {
            if (received > 0 && !cancelled) {
                cancelled = true;
                client.Disconnect();
            }
        };
    }

    platform::ScopedMainThread mainThread;
    test::FakeMessagePump pump;
    net::TIdAntiFreeze antiFreeze;
    ScriptedServer server;
    const std::unique_ptr<TIdHTTP> owned = app::MakeUpdateClient();
    TIdHTTP& client = *owned;
    platform::TMemoryStream stream;
    std::int32_t received = 0;
    int workEnds = 0;
    bool cancelled = false;
};

TEST(IdHTTPCancel, InsideABodyOfKnownLengthReturnsThePartialBody) {
    CancelFixture f("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + std::string(1000, 'p'));
    f.client.Get(f.server.Url("/package.zip"), f.stream);
    EXPECT_TRUE(f.cancelled);
    EXPECT_EQ(f.stream.Size(), 1000);
    EXPECT_EQ(f.stream.ToString(), std::string(1000, 'p'));
    EXPECT_EQ(f.workEnds, 1);
    EXPECT_FALSE(f.client.IsConnected());
    EXPECT_EQ(f.client.Response().ContentLength(), 1000000);
}

TEST(IdHTTPCancel, InsideAChunkedBodyRaises) {
    CancelFixture f("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1000\r\n" + std::string(100, 'c'));
    EXPECT_THROW(f.client.Get(f.server.Url("/chunked"), f.stream), net::EIdConnClosedGracefully);
    EXPECT_TRUE(f.cancelled);
    EXPECT_FALSE(f.client.IsConnected());
}

TEST(IdHTTPCancel, InsideABodyUntilCloseReturns) {
    CancelFixture f("HTTP/1.1 200 OK\r\n\r\n" + std::string(500, 'u'));
    f.client.Get(f.server.Url("/open"), f.stream);
    EXPECT_TRUE(f.cancelled);
    EXPECT_EQ(f.stream.ToString(), std::string(500, 'u'));
    EXPECT_FALSE(f.client.IsConnected());
}

}  // namespace
}  // namespace yeroup::http
