#include "platform/sockets/WinSock.h"

#include <gtest/gtest.h>

#include <netdb.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <thread>

namespace yeroup::platform::winsock {
namespace {

class WinSockTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(WSAStartup(0x0202), 0); }
    void TearDown() override { WSACleanup(); }

    SockAddrIn Loopback(std::uint16_t portHostOrder) {
        SockAddrIn a;
        a.port = HToNS(portHostOrder);
        a.addr = {127, 0, 0, 1};
        return a;
    }
    TSocket Listener(std::uint16_t& port, int backlog) {
        const TSocket s = Socket(kAfInet, kSockStream, 0);
        EXPECT_EQ(Bind(s, Loopback(0)), 0);
        EXPECT_EQ(Listen(s, backlog), 0);
        SockAddrIn bound;
        EXPECT_EQ(GetSockName(s, &bound), 0);
        port = NToHS(bound.port);
        return s;
    }
};

TEST(WinSockErrors, PosixAndResolverErrorsMapOntoTheWinsockNumbers) {
    EXPECT_EQ(ErrnoToWsa(ECONNREFUSED), 10061);
    EXPECT_EQ(ErrnoToWsa(ECONNRESET), 10054);
    EXPECT_EQ(ErrnoToWsa(ECONNABORTED), 10053);
    EXPECT_EQ(ErrnoToWsa(EPIPE), 10058);
    EXPECT_EQ(ErrnoToWsa(EADDRINUSE), 10048);
    EXPECT_EQ(ErrnoToWsa(ETIMEDOUT), 10060);
    EXPECT_EQ(ErrnoToWsa(ENOTSOCK), 10038);
    EXPECT_EQ(ErrnoToWsa(EBADF), 10009);
    EXPECT_EQ(ErrnoToWsa(EHOSTUNREACH), 10065);
    EXPECT_EQ(ResolverErrorToWsa(EAI_NONAME), 11001);
    EXPECT_EQ(ResolverErrorToWsa(EAI_AGAIN), 11002);
    EXPECT_EQ(ResolverErrorToWsa(EAI_FAIL), 11003);
}

TEST_F(WinSockTest, ARefusedConnectReportsConnectionRefused) {
    std::uint16_t port = 0;
    const TSocket listener = Listener(port, 1);
    CloseSocket(listener);  // nobody listens there any more
    const TSocket s = Socket(kAfInet, kSockStream, 0);
    EXPECT_EQ(Connect(s, Loopback(port)), kSocketError);
    EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
    CloseSocket(s);
}

TEST_F(WinSockTest, AHandleClosedUnderABlockedConnectEndsItWithNotASocket) {
    std::uint16_t port = 0;
    const TSocket listener = Listener(port, 0);
    std::vector<TSocket> fillers;
    // Fill the accept queue so the next connect stays pending.
    for (int i = 0; i < 8; ++i) {
        const TSocket f = Socket(kAfInet, kSockStream, 0);
        fillers.push_back(f);
        std::atomic<bool> done{false};
        std::thread t([&] {
            Connect(f, Loopback(port));
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        if (!done) {
            CloseSocket(f);
            t.join();
            break;
        }
        t.join();
    }
    const TSocket s = Socket(kAfInet, kSockStream, 0);
    int result = 0, error = 0;
    std::thread worker([&] {
        result = Connect(s, Loopback(port));
        error = WSAGetLastError();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(CloseSocket(s), 0);
    worker.join();
    EXPECT_EQ(result, kSocketError);
    EXPECT_EQ(error, WSAENOTSOCK);
    for (TSocket f : fillers) CloseSocket(f);
    CloseSocket(listener);
}

TEST_F(WinSockTest, UnknownHandlesAreNotSocketsAndHandlesAreNotReused) {
    char byte = 0;
    EXPECT_EQ(Recv(0x4242, &byte, 1, 0), kSocketError);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    const TSocket first = Socket(kAfInet, kSockStream, 0);
    CloseSocket(first);
    const TSocket second = Socket(kAfInet, kSockStream, 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(CloseSocket(first), kSocketError);
    FdSet set;
    set.fd_count = 1;
    set.fd_array[0] = first;
    EXPECT_EQ(Select(&set, nullptr, nullptr, nullptr), kSocketError);
    CloseSocket(second);
}

TEST_F(WinSockTest, SelectWaitsForItsTimeOutAndReportsReadableData) {
    std::uint16_t port = 0;
    const TSocket listener = Listener(port, 4);
    const TSocket client = Socket(kAfInet, kSockStream, 0);
    ASSERT_EQ(Connect(client, Loopback(port)), 0);
    SockAddrIn peer;
    const TSocket server = Accept(listener, &peer);
    ASSERT_NE(server, kInvalidSocket);
    EXPECT_EQ(peer.addr, (InAddr{127, 0, 0, 1}));

    FdSet set;
    set.fd_count = 1;
    set.fd_array[0] = client;
    const TimeVal wait{0, 200000};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Select(&set, nullptr, nullptr, &wait), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(190));
    EXPECT_EQ(set.fd_count, 0u);

    EXPECT_EQ(Send(server, "ping", 4, 0), 4);
    set.fd_count = 1;
    set.fd_array[0] = client;
    EXPECT_EQ(Select(&set, nullptr, nullptr, nullptr), 1);
    char buffer[8];
    EXPECT_EQ(Recv(client, buffer, sizeof buffer, 0), 4);

    // A peer close is readable and reads as 0 bytes.
    CloseSocket(server);
    set.fd_count = 1;
    set.fd_array[0] = client;
    EXPECT_EQ(Select(&set, nullptr, nullptr, &wait), 1);
    EXPECT_EQ(Recv(client, buffer, sizeof buffer, 0), 0);
    // Sending after the peer went away ends in a tolerated close code, never in SIGPIPE.
    int sendResult = 0;
    for (int i = 0; i < 50 && sendResult != kSocketError; ++i) sendResult = Send(client, buffer, 8, 0);
    EXPECT_EQ(sendResult, kSocketError);
    EXPECT_TRUE(WSAGetLastError() == WSAECONNRESET || WSAGetLastError() == WSAESHUTDOWN) << WSAGetLastError();
    CloseSocket(client);
    CloseSocket(listener);
}

TEST_F(WinSockTest, OptionsUseTheWinsockNumbers) {
    const TSocket s = Socket(kAfInet, kSockStream, 0);
    const int one = 1;
    EXPECT_EQ(SetSockOpt(s, kIpProtoTcp, kTcpNoDelay, &one, 4), 0);
    int value = 0, length = 4;
    EXPECT_EQ(GetSockOpt(s, kIpProtoTcp, kTcpNoDelay, &value, &length), 0);
    EXPECT_NE(value, 0);
    EXPECT_EQ(SetSockOpt(s, 12345, 1, &one, 4), kSocketError);
    EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
    CloseSocket(s);
}

TEST(WinSockStartup, SocketsNeedTheLibraryStarted) {
    // The suite's other tests clean up after themselves, so nothing is started here.
    EXPECT_EQ(Socket(kAfInet, kSockStream, 0), kInvalidSocket);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(WSACleanup(), kSocketError);
}

}  // namespace
}  // namespace yeroup::platform::winsock
