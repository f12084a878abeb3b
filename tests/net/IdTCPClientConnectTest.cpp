#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <string>
#include "tests/net/support/Gate.h"

#include "net/IdAntiFreeze.h"
#include "net/IdException.h"
#include "net/IdIOHandlerSocket.h"
#include "net/Limits.h"
#include "platform/sockets/WinSock.h"
#include "tests/net/support/ClientFixture.h"
#include "tests/net/support/FakeMessagePump.h"
#include "tests/support/ExpectThrow.h"

namespace yeroup::net {
namespace {

using test::EventLog;
using test::FakeMessagePump;
using test::LoopbackListener;
using test::PeerSocket;

const std::string kRefusedText = "Socket Error # 10061\r\nConnection refused.";

class ConnectTest : public ::testing::Test {
protected:
    void TearDown() override {
        client.OnStatus = nullptr;
        client.OnDisconnected = nullptr;
        client.Disconnect();
        listener.Join();
    }
    LoopbackListener listener;
    EventLog log;
    TIdTCPClient client;
};

TEST_F(ConnectTest, LocalhostInAnyCaseConnectsWithoutALookupAndReportsTheTransportAsSender) {
    listener.Serve([](PeerSocket& peer) { peer.Send("hi\n"); });
    std::vector<TIdComponent*> senders;
    log.Attach(client);
    const auto record = client.OnStatus;
    client.OnStatus = [&](TIdComponent* sender, TIdStatus status, const std::string& text) {
        senders.push_back(sender);
        record(sender, status, text);
    };
    client.SetHost("localhost");
    client.SetPort(listener.Port());
    client.Connect();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"Connecting to 127.0.0.1.", "Connected."}));
    ASSERT_EQ(senders.size(), 2u);
    EXPECT_EQ(senders[0], client.IOHandler());
    EXPECT_EQ(senders[1], &client);
    EXPECT_EQ(client.ReadLine(), "hi");
    EXPECT_TRUE(client.IsConnected());
}

TEST_F(ConnectTest, ANameIsResolvedAfterAResolvingStatus) {
    int lookups = 0;
    platform::winsock::SetHostLookup([&](const std::string& name, platform::winsock::InAddr& address) {
        ++lookups;
        if (name != "update.yeroup.test") return int{platform::winsock::WSAHOST_NOT_FOUND};
        address = {127, 0, 0, 1};
        return 0;
    });
    listener.Serve([](PeerSocket&) {});
    log.Attach(client);
    client.SetHost("update.yeroup.test");
    client.SetPort(listener.Port());
    client.Connect();
    platform::winsock::SetHostLookup(nullptr);
    EXPECT_EQ(lookups, 1);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"Resolving hostname update.yeroup.test.",
                                                     "Connecting to 127.0.0.1.", "Connected."}));
}

TEST_F(ConnectTest, ARefusedDirectConnectRaisesSocketError10061AndKeepsTheTransport) {
    client.SetHost("127.0.0.1");
    client.SetPort(test::FreeLoopbackPort());
    if (const auto e = yeroup::test::Thrown<EIdSocketError>([&] { client.Connect(); })) {
        EXPECT_EQ(e->LastError(), 10061);
        EXPECT_EQ(e->what(), kRefusedText);
    }
    ASSERT_NE(client.IOHandler(), nullptr);
    EXPECT_FALSE(client.IOHandler()->HasSocket());
    // The installed transport is reused by the next connect.
    TIdIOHandler* transport = client.IOHandler();
    listener.Serve([](PeerSocket&) {});
    client.SetPort(listener.Port());
    client.Connect();
    EXPECT_EQ(client.IOHandler(), transport);
    EXPECT_TRUE(client.IsConnected());
}

TEST_F(ConnectTest, ARefusedThreadedConnectRaisesConnectExceptionWithTheSameText) {
    FakeMessagePump pump;
    TIdAntiFreeze antiFreeze(pump);
    client.SetHost("127.0.0.1");
    client.SetPort(test::FreeLoopbackPort());
    EXPECT_THROW_TEXT(client.Connect(), EIdConnectException, kRefusedText);
}

TEST_F(ConnectTest, ConnectingTwiceRaisesAlreadyConnectedAndLeavesTheConnection) {
    listener.Serve([](PeerSocket& peer) { peer.Send("still here\n"); });
    client.SetHost("127.0.0.1");
    client.SetPort(listener.Port());
    client.Connect();
    EXPECT_THROW_TEXT(client.Connect(), EIdAlreadyConnected, "Already connected.");
    EXPECT_EQ(client.ReadLine(), "still here");
}

TEST_F(ConnectTest, DisconnectWithoutEverConnectingStillReports) {
    log.Attach(client);
    client.Disconnect();
    EXPECT_EQ(log.entries, (std::vector<std::string>{"Disconnecting.", "OnDisconnected", "Disconnected."}));
    EXPECT_FALSE(client.IsConnected());
}

TEST_F(ConnectTest, APendingConnectTimesOut) {
    test::FullBacklogListener full;
    client.SetHost("127.0.0.1");
    client.SetPort(full.Port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW_TEXT(client.Connect(300), EIdConnectTimeout, "Connect timed out.");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    EXPECT_FALSE(client.IOHandler()->HasSocket());
}

class ThreadedConnectTest : public ConnectTest {
protected:
    void SetUp() override {
        transport.SleepFunction = [this](int ms) {
            sleeps.push_back(ms);
            platform_sleep(ms);
        };
        client.SetIOHandler(&transport);
        client.SetHost("127.0.0.1");
    }
    static void platform_sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    TIdIOHandlerSocket transport;
    std::vector<int> sleeps;
};

TEST_F(ThreadedConnectTest, AnAcceptingPeerStillTakesOneSliceWithOnePump) {
    FakeMessagePump pump;
    TIdAntiFreeze antiFreeze(pump);
    antiFreeze.IdleTimeOut = 60;
    listener.Serve([](PeerSocket&) {});
    client.SetPort(listener.Port());
    client.Connect();
    // At least one whole slice even though the peer accepts at once (more on a busy machine).
    ASSERT_GE(sleeps.size(), 2u);
    EXPECT_EQ(sleeps.back(), 0);
    for (std::size_t i = 0; i + 1 < sleeps.size(); ++i) EXPECT_EQ(sleeps[i], 60);
    EXPECT_EQ(pump.Pumps(), static_cast<int>(sleeps.size()) - 1);
    EXPECT_TRUE(client.IsConnected());
}

TEST_F(ThreadedConnectTest, ATimeOutShorterThanASliceSleepsItOnceWithoutPumping) {
    FakeMessagePump pump;
    TIdAntiFreeze antiFreeze(pump);
    listener.Serve([](PeerSocket&) {});
    client.SetPort(listener.Port());
    client.Connect(100);
    EXPECT_EQ(sleeps, (std::vector<int>{100}));
    EXPECT_EQ(pump.Pumps(), 0);
}

TEST_F(ThreadedConnectTest, SlicesAreCappedAt125AndPumpedUntilTheTimeOut) {
    FakeMessagePump pump;
    TIdAntiFreeze antiFreeze(pump);
    test::FullBacklogListener full;
    client.SetPort(full.Port());
    EXPECT_THROW(client.Connect(400), EIdConnectTimeout);
    EXPECT_EQ(sleeps, (std::vector<int>{125, 125, 125, 25}));
    EXPECT_EQ(pump.Pumps(), 3);
}

TEST_F(ThreadedConnectTest, WithoutATimeOutAConnectWhileTheWindowsAreServedEndsAtItsLimit) {
    transport.SleepFunction = [this](int ms) { sleeps.push_back(ms); };  // the slices are only counted
    FakeMessagePump pump;
    TIdAntiFreeze antiFreeze(pump);
    test::FullBacklogListener full;
    client.SetPort(full.Port());
    EXPECT_THROW(client.Connect(), EIdConnectTimeout);
    EXPECT_EQ(std::accumulate(sleeps.begin(), sleeps.end(), 0), limits::kAntiFreezeConnectTimeout);
}

TEST_F(ConnectTest, ADisconnectFromThePumpEndsTheConnectQuietlyAndTheFirstWriteFails) {
    FakeMessagePump pump;
    TIdAntiFreeze antiFreeze(pump);
    antiFreeze.IdleTimeOut = 20;
    bool cancelled = false;
    pump.onPump = [&] {
        if (!cancelled) client.Disconnect();
        cancelled = true;
    };
    test::FullBacklogListener full;
    client.SetHost("127.0.0.1");
    client.SetPort(full.Port());
    client.Connect();
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(client.IOHandler(), nullptr);
    EXPECT_THROW(client.WriteLine("x"), EIdNotConnected);
}

}  // namespace
}  // namespace yeroup::net

namespace yeroup::net {
namespace {

TEST(IOHandlerOwnership, ABorrowedTransportIsForgottenWhenDestroyedAndNeverFreedByTheClient) {
    TIdTCPClient client;
    {
        auto borrowed = std::make_unique<TIdIOHandlerSocket>();
        client.SetIOHandler(borrowed.get());
        EXPECT_EQ(client.IOHandler(), borrowed.get());
        client.Disconnect();  // a borrowed transport stays installed
        EXPECT_EQ(client.IOHandler(), borrowed.get());
    }
    EXPECT_EQ(client.IOHandler(), nullptr);

    TIdIOHandlerSocket kept;
    client.SetIOHandler(&kept);
    client.SetIOHandler(nullptr);
    EXPECT_EQ(client.IOHandler(), nullptr);
}

TEST(IOHandlerOwnership, InstallingATransportReleasesTheOneConnectCreated) {
    test::LoopbackListener listener;
    listener.Serve([](test::PeerSocket&) {});
    const int before = TIdComponent::LiveCount();
    TIdTCPClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(listener.Port());
    client.Connect();
    EXPECT_EQ(TIdComponent::LiveCount(), before + 2);  // the client and the transport it made
    TIdIOHandlerSocket replacement;
    client.SetIOHandler(&replacement);
    EXPECT_EQ(TIdComponent::LiveCount(), before + 2);  // the made one is gone, ours came
    EXPECT_FALSE(client.IsConnected());
}

}  // namespace
}  // namespace yeroup::net
