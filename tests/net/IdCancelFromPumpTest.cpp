// A Disconnect made by a window message handler while a read is blocked in the pump's wait.
#include <gtest/gtest.h>

#include <chrono>

#include "net/IdAntiFreeze.h"
#include "net/IdException.h"
#include "tests/net/support/ClientFixture.h"
#include "tests/net/support/FakeMessagePump.h"
#include "tests/net/support/Gate.h"
#include "tests/support/ExpectThrow.h"

namespace yeroup::net {
namespace {

using test::ClientTest;
using test::FakeMessagePump;
using test::PeerSocket;

class CancelTest : public ClientTest {
protected:
    void SetUp() override {
        antiFreeze.IdleTimeOut = 20;
        // The cancel button: pressed once everything the peer sent has been received.
        pump.onPump = [this] {
            if (!cancelled && client.InputBuffer().Size() + received() >= expected) {
                cancelled = true;
                client.Disconnect();
            }
        };
    }
    void TearDown() override {
        peerDone->Open();
        ClientTest::TearDown();
    }
    // The peer sends n bytes and then stays silent with the connection open.
    void StartSilentPeer(std::size_t n) {
        expected = static_cast<std::int64_t>(n);
        auto done = peerDone;
        ConnectTo([done, n](PeerSocket& peer) {
            peer.Send(std::string(n, 'd'));
            done->Wait();
        });
    }
    std::int64_t received() { return stream.Size() > stream.Position() ? stream.Position() : stream.Size(); }

    FakeMessagePump pump;
    TIdAntiFreeze antiFreeze{pump};
    std::shared_ptr<test::Gate> peerDone = test::Gate::Make();
    platform::TMemoryStream stream;
    bool cancelled = false;
    std::int64_t expected = 1;
};

TEST_F(CancelTest, ACountedReadEndsWithConnClosedGracefullyAfterWorkEndKeepingEveryByte) {
    StartSilentPeer(40000);
    log.Attach(client);
    EXPECT_THROW_TEXT(client.ReadToStream(stream, 1000000), EIdConnClosedGracefully, "Connection Closed Gracefully.");
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(stream.Size(), 40000);  // every byte that came reached the stream
    EXPECT_EQ(client.InputBuffer().Size(), 0);
    EXPECT_EQ(log.entries.back(), "end read");
    EXPECT_EQ(log.Count("Disconnecting."), 1);
    EXPECT_EQ(log.Count("Disconnected."), 1);
    EXPECT_EQ(client.IOHandler(), nullptr);  // the transport Connect made is gone
    EXPECT_FALSE(client.IsConnected());
}

TEST_F(CancelTest, AReadUntilCloseAbsorbsTheCancelAndKeepsEveryByte) {
    StartSilentPeer(40000);
    client.ReadToStream(stream, -1, true);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(stream.Size(), 40000);
    EXPECT_EQ(client.InputBuffer().Size(), 0);
}

TEST_F(CancelTest, ALineReadEndsWithConnClosedGracefully) {
    StartSilentPeer(10);
    EXPECT_THROW(client.ReadLine(), EIdConnClosedGracefully);
    EXPECT_TRUE(cancelled);
}

TEST_F(CancelTest, WithAFiniteReadTimeoutTheRestOfTheWaitFindsNothingAndTimesOut) {
    StartSilentPeer(10);
    client.ReadTimeout = 20000;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(client.ReadLine(), EIdReadTimeout);
    EXPECT_TRUE(cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15000));
}

TEST_F(CancelTest, ACancelBeforeAnyByteEndsAWaitThatHadNoDataAtAll) {
    pump.onPump = nullptr;  // the connect pumps too; the cancel comes only during the read
    StartSilentPeer(0);
    pump.onPump = [this] {
        if (!cancelled) {
            cancelled = true;
            client.Disconnect();
        }
    };
    const int pumpsAfterConnect = pump.Pumps();
    char buffer[8];
    EXPECT_THROW(client.ReadExact(buffer, 8), EIdConnClosedGracefully);
    EXPECT_EQ(pump.Pumps() - pumpsAfterConnect, 1);
}

TEST_F(CancelTest, OnlyWhenIdleFalsePumpsAfterSlicesThatBroughtData) {
    std::string body(200000, 'x');
    ConnectTo([body](PeerSocket& peer) { peer.Send(body); });
    pump.onPump = nullptr;
    client.ReadToStream(stream, 200000);
    const int idlePumps = pump.Pumps();
    // Every wait that found data returned at once without a pump; only idle slices pumped.
    EXPECT_LE(idlePumps, 200000 / 32768 + 2);

    platform::TMemoryStream second;
    auto loop = std::make_unique<test::LoopbackListener>();
    loop->Serve([body](PeerSocket& peer) { peer.Send(body); });
    TIdTCPClient other;
    other.SetHost("127.0.0.1");
    other.SetPort(loop->Port());
    other.Connect();
    antiFreeze.OnlyWhenIdle = false;
    pump.processAllCalls = 0;
    other.ReadToStream(second, 200000);
    // Each receive is preceded by exactly one wait, and each wait now ends in a pump.
    EXPECT_GE(pump.Pumps(), 200000 / 32768);
    other.Disconnect();
}

}  // namespace
}  // namespace yeroup::net
