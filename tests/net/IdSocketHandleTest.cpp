#include "net/IdSocketHandle.h"

#include <gtest/gtest.h>

#include "net/IdAntiFreeze.h"
#include "net/IdComponent.h"
#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "net/IdIOHandlerSocket.h"
#include "tests/net/support/FakeMessagePump.h"
#include "tests/net/support/Gate.h"
#include "tests/net/support/LoopbackPeer.h"
#include "tests/support/ExpectThrow.h"

namespace yeroup::net {
namespace {

using test::FakeMessagePump;
using test::PeerSocket;

class SocketHandleTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (int fd : held) test::CloseFd(fd);
    }
    // Two neighbouring free ports, lo and lo + 1, held by us when hold is set.
    std::uint16_t FreePair(bool holdLow, bool holdHigh) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const std::uint16_t lo = test::FreeLoopbackPort();
            if (lo == 0 || lo == 65535) continue;
            const int a = test::BindPort(lo), b = test::BindPort(static_cast<std::uint16_t>(lo + 1));
            if (a >= 0 && b >= 0) {
                if (holdLow)
                    held.push_back(a);
                else
                    test::CloseFd(a);
                if (holdHigh)
                    held.push_back(b);
                else
                    test::CloseFd(b);
                return lo;
            }
            test::CloseFd(a);
            test::CloseFd(b);
        }
        ADD_FAILURE() << "no two neighbouring free ports";
        return 0;
    }

    TIdComponent holder;
    TIdSocketHandle handle;
    std::vector<int> held;
};

TEST_F(SocketHandleTest, AnInvertedPortRangeRaisesWithBothEnds) {
    handle.CreateSocket();
    handle.ClientPortMin = 5000;
    handle.ClientPortMax = 4000;
    EXPECT_THROW_TEXT(handle.BindLocal(), EIdInvalidPortRange, "Invalid Port Range (5000 - 4000)");
}

TEST_F(SocketHandleTest, ARangeIsTriedFromTheTopDown) {
    const std::uint16_t lo = FreePair(false, true);
    handle.CreateSocket();
    handle.ClientPortMin = lo;
    handle.ClientPortMax = lo + 1;
    handle.BindLocal();
    EXPECT_EQ(handle.Port, lo);  // the top was busy, the bottom was taken

    TIdSocketHandle second;
    const std::uint16_t lo2 = FreePair(false, false);
    second.CreateSocket();
    second.ClientPortMin = lo2;
    second.ClientPortMax = lo2 + 1;
    second.BindLocal();
    EXPECT_EQ(second.Port, lo2 + 1);
    EXPECT_EQ(second.IP, "0.0.0.0");
}

TEST_F(SocketHandleTest, ABusyRangeAndABusyPortRaiseTheirOwnErrors) {
    const std::uint16_t lo = FreePair(true, true);
    handle.CreateSocket();
    handle.ClientPortMin = lo;
    handle.ClientPortMax = lo + 1;
    EXPECT_THROW_TEXT(handle.BindLocal(), EIdCanNotBindPortInRange,
                      "Can not bind in port range (" + std::to_string(lo) + " - " + std::to_string(lo + 1) + ")");
    TIdSocketHandle single;
    single.CreateSocket();
    single.Port = lo;
    EXPECT_THROW_TEXT(single.BindLocal(), EIdCouldNotBindSocket,
                      "Could not bind socket. Address and port are already in use.");
}

TEST_F(SocketHandleTest, ReleasingTwiceClosesOnceAndResetStateForgetsWithoutClosing) {
    handle.CreateSocket();
    handle.BindLocal();
    const auto socket = handle.Handle();
    handle.ReleaseSocket();
    EXPECT_FALSE(handle.HandleAllocated());
    EXPECT_EQ(handle.Handle(), socket);  // the old value stays until the next reset
    EXPECT_NO_THROW(handle.ReleaseSocket());
    EXPECT_THROW(handle.WaitReadable(10), EIdConnClosedGracefully);

    handle.CreateSocket();
    handle.Port = 0;
    handle.SetPeerAddress("127.0.0.1", 80);
    handle.ResetState(false);
    EXPECT_EQ(handle.Handle(), Id_INVALID_SOCKET);
    EXPECT_EQ(handle.PeerIP, "");
    EXPECT_EQ(handle.PeerPort, 0);
}

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto gate = peerGate;
        auto data = peerData;
        listener.Serve([gate, data](PeerSocket& peer) {
            for (;;) {
                const std::string next = data->Take();
                if (next.empty()) break;
                peer.Send(next);
            }
            gate->Wait();
        });
        transport.PrepareBinding();
        transport.ConnectTo("127.0.0.1", listener.Port(), "", 0, 0, 0, TimeoutUseDefault);
    }
    void TearDown() override {
        peerData->Put("");
        peerGate->Open();
        transport.CloseBinding();
        listener.Join();
    }
    void PeerSends(const std::string& bytes) {
        peerData->Put(bytes);
        ASSERT_TRUE(transport.WaitReadable(5000));  // before any anti-freeze exists
    }

    std::shared_ptr<test::Gate> peerGate = test::Gate::Make();
    std::shared_ptr<test::Mailbox> peerData = test::Mailbox::Make();
    test::LoopbackListener listener;
    TIdIOHandlerSocket transport;
    FakeMessagePump pump;
};

TEST_F(TransportTest, AWaitLongerThanTheIdleTimeOutIsSlicedWithAPumpAfterEachSlice) {
    TIdAntiFreeze antiFreeze(pump);
    antiFreeze.IdleTimeOut = 100;
    EXPECT_FALSE(transport.WaitReadable(250));  // slices of 50, 100 and 100 ms
    EXPECT_EQ(pump.Pumps(), 3);
}

TEST_F(TransportTest, AnIdleTimeOutAtLeastTheWaitGivesOneWaitAndOnePumpCheck) {
    TIdAntiFreeze antiFreeze(pump);
    EXPECT_FALSE(transport.WaitReadable(60));
    EXPECT_EQ(pump.Pumps(), 1);
    antiFreeze.Active = false;
    EXPECT_FALSE(transport.WaitReadable(300));
    EXPECT_EQ(pump.Pumps(), 1);
}

TEST_F(TransportTest, ASliceThatFindsDataPumpsOnlyWhenNotOnlyWhenIdle) {
    PeerSends("x");
    TIdAntiFreeze antiFreeze(pump);
    EXPECT_TRUE(transport.WaitReadable(TimeoutNoLimit));
    EXPECT_EQ(pump.Pumps(), 0);
    antiFreeze.OnlyWhenIdle = false;
    EXPECT_TRUE(transport.WaitReadable(1000));
    EXPECT_EQ(pump.Pumps(), 1);
    char byte = 0;
    EXPECT_EQ(transport.Receive(&byte, 1), 1);
    EXPECT_EQ(byte, 'x');
}

TEST_F(TransportTest, AnUnlimitedWaitRepeatsIdleSlicesUntilDataComes) {
    TIdAntiFreeze antiFreeze(pump);
    antiFreeze.IdleTimeOut = 10;
    pump.onPump = [&] {
        if (pump.Pumps() == 3) peerData->Put("late");
    };
    EXPECT_TRUE(transport.WaitReadable(TimeoutNoLimit));
    EXPECT_GE(pump.Pumps(), 3);
}

TEST_F(TransportTest, AReceiveIfReadyNeverBlocksAndOtherwiseActsAsAReceive) {
    char buffer[8] = {};
    EXPECT_EQ(transport.ReceiveIfReady(buffer, 8), TIdIOHandler::NotReady);  // nothing queued: no wait
    PeerSends("abc");
    ASSERT_EQ(transport.ReceiveIfReady(buffer, 8), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(transport.ReceiveIfReady(buffer, 8), TIdIOHandler::NotReady);

    peerData->Put("");  // the peer closes
    peerGate->Open();
    ASSERT_TRUE(transport.WaitReadable(5000));
    EXPECT_EQ(transport.ReceiveIfReady(buffer, 8), 0);

    // Without a socket it leaves the report to the wait, which raises the close.
    transport.CloseBinding();
    EXPECT_EQ(transport.ReceiveIfReady(buffer, 8), TIdIOHandler::NotReady);
    EXPECT_THROW(transport.WaitReadable(10), EIdConnClosedGracefully);
}

TEST_F(TransportTest, AClosedBindingRaisesOnReceiveAndOnWait) {
    transport.CloseBinding();
    EXPECT_FALSE(transport.HasSocket());
    char buffer[4];
    EXPECT_THROW_TEXT(transport.Receive(buffer, 4), EIdClosedSocket, "Disconnected.");
    EXPECT_THROW(transport.Transmit(buffer, 4), EIdClosedSocket);
    EXPECT_THROW_TEXT(transport.WaitReadable(10), EIdConnClosedGracefully, "Connection Closed Gracefully.");
}

TEST_F(TransportTest, TheAddressesAreRefreshedAfterConnecting) {
    TIdSocketHandle* binding = transport.Binding();
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(binding->PeerIP, "127.0.0.1");
    EXPECT_EQ(binding->PeerPort, listener.Port());
    EXPECT_EQ(binding->IP, "127.0.0.1");
    EXPECT_NE(binding->Port, 0);
}

}  // namespace
}  // namespace yeroup::net
