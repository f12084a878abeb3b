#include "net/IdStack.h"

#include <gtest/gtest.h>

#include <chrono>

#include "net/IdComponent.h"
#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "net/IdSocketList.h"
#include "platform/sockets/WinSock.h"
#include "tests/support/ExpectThrow.h"

namespace yeroup::net {
namespace {

namespace ws = platform::winsock;

class StackTest : public ::testing::Test {
protected:
    void TearDown() override { ws::SetHostLookup(nullptr); }
    TIdComponent holder;  // keeps the stack alive
    TIdStack& stack = *GStack();
};

TEST(IdStackText, ErrorTextsCarryTheCodeAndTheTableText) {
    EXPECT_EQ(TIdStack::SocketErrorText(10061), "Socket Error # 10061\r\nConnection refused.");
    EXPECT_EQ(TIdStack::SocketErrorText(12345), "Socket Error # 12345\r\n");
    EXPECT_EQ(TIdStack::SocketErrorText(10035), "Socket Error # 10035\r\nOperation would block. ");
    EXPECT_EQ(TIdStack::SocketErrorText(10066), "Socket Error # 10066\r\nDirectory not empty");
    EXPECT_EQ(TIdStack::SocketErrorText(11001), "Socket Error # 11001\r\nHost not found.");
    EXPECT_EQ(TIdStack::SocketErrorText(11002), "Socket Error # 11002\r\n");
}

TEST(IdStackAddress, DottedQuadsAreFourNumbersUpTo255) {
    EXPECT_TRUE(TIdStack::IsDottedQuad("0.0.0.0"));
    EXPECT_TRUE(TIdStack::IsDottedQuad("255.255.255.255"));
    EXPECT_TRUE(TIdStack::IsDottedQuad("127.0.0.1"));
    EXPECT_FALSE(TIdStack::IsDottedQuad("1.2.3"));
    EXPECT_FALSE(TIdStack::IsDottedQuad("1.2.3.4.5"));
    EXPECT_FALSE(TIdStack::IsDottedQuad("1..3.4"));
    EXPECT_FALSE(TIdStack::IsDottedQuad("a.b.c.d"));
    EXPECT_FALSE(TIdStack::IsDottedQuad("10.0.0.256"));
    EXPECT_FALSE(TIdStack::IsDottedQuad("1.2.3."));
    EXPECT_FALSE(TIdStack::IsDottedQuad("99999999999.1.1.1"));
    EXPECT_FALSE(TIdStack::IsDottedQuad(""));
}

TEST(IdStackAddress, FormatAndParseRoundTrip) {
    EXPECT_EQ(TIdStack::FormatAddress({192, 168, 0, 1}), "192.168.0.1");
    EXPECT_EQ(TIdStack::FormatAddress({0, 10, 100, 255}), "0.10.100.255");
    EXPECT_EQ(TIdStack::ParseAddress("192.168.0.1"), (TIdInAddr{192, 168, 0, 1}));
    EXPECT_EQ(TIdStack::ParseAddress("1.2.3.260"), (TIdInAddr{1, 2, 3, 4}));  // low 8 bits
    EXPECT_THROW(TIdStack::ParseAddress("1.2.x.4"), std::invalid_argument);
    EXPECT_THROW(TIdStack::ParseAddress("1.2.3"), std::invalid_argument);
}

TEST(IdStackSelect, TheTimeOutIsSplitIntoSecondsAndMicroseconds) {
    const auto t1500 = TIdStack::SelectTimeout(1500);
    ASSERT_TRUE(t1500.has_value());
    EXPECT_EQ(t1500->tv_sec, 1);
    EXPECT_EQ(t1500->tv_usec, 500000);
    const auto poll = TIdStack::SelectTimeout(0);
    ASSERT_TRUE(poll.has_value());
    EXPECT_EQ(poll->tv_sec, 0);
    EXPECT_EQ(poll->tv_usec, 0);
    EXPECT_FALSE(TIdStack::SelectTimeout(TimeoutNoLimit).has_value());
}

TEST_F(StackTest, SixtyFiveSocketsRaiseBeforeAnyWait) {
    std::vector<TIdStackSocketHandle> many(65, 0x100);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW_TEXT(stack.Select(&many, nullptr, nullptr, 5000), EIdStackSetSizeExceeded, "Set Size Exceeded.");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_EQ(many.size(), 65u);
}

TEST_F(StackTest, SelectRewritesTheListsToTheReadySockets) {
    const TIdStackSocketHandle quiet = stack.NewSocket(Id_SOCK_STREAM, 0);
    const TIdStackSocketHandle listening = stack.NewSocket(Id_SOCK_STREAM, 0);
    ASSERT_EQ(stack.Bind(listening, Id_PF_INET, "127.0.0.1", 0), 0);
    ASSERT_EQ(stack.Listen(listening, 4), 0);
    int family = 0, port = 0;
    std::string ip;
    stack.GetSockName(listening, family, ip, port);
    EXPECT_EQ(ip, "127.0.0.1");
    const TIdStackSocketHandle caller = stack.NewSocket(Id_SOCK_STREAM, 0);
    ASSERT_EQ(stack.Connect(caller, Id_PF_INET, "127.0.0.1", port), 0);
    std::vector<TIdStackSocketHandle> read{quiet, listening};
    std::vector<TIdStackSocketHandle> write{caller};
    EXPECT_EQ(stack.Select(&read, &write, nullptr, 2000), 2);
    EXPECT_EQ(read, std::vector<TIdStackSocketHandle>{listening});
    EXPECT_EQ(write, std::vector<TIdStackSocketHandle>{caller});
    std::string peerIP;
    int peerPort = 0;
    const TIdStackSocketHandle accepted = stack.Accept(listening, peerIP, peerPort);
    EXPECT_NE(accepted, Id_INVALID_SOCKET);
    EXPECT_EQ(peerIP, "127.0.0.1");
    for (auto s : {quiet, listening, caller, accepted}) stack.CloseSocket(s);
}

TEST_F(StackTest, CheckSocketResultToleratesListedCodesAndRaisesTheRest) {
    EXPECT_FALSE(stack.CheckSocketResult(0));
    EXPECT_FALSE(stack.CheckSocketResult(17));
    ws::WSASetLastError(10054);
    EXPECT_TRUE(stack.CheckSocketResult(Id_SOCKET_ERROR, {10058, 10053, 10054}));
    EXPECT_EQ(stack.LastError(), 10054);
    ws::WSASetLastError(10061);
    if (const auto e =
            yeroup::test::Thrown<EIdSocketError>([&] { stack.CheckSocketResult(Id_SOCKET_ERROR, {10058}); })) {
        EXPECT_EQ(e->LastError(), 10061);
        EXPECT_STREQ(e->what(), "Socket Error # 10061\r\nConnection refused.");
    }
    EXPECT_EQ(stack.LastError(), 10061);
}

TEST_F(StackTest, LocalhostIsNeverLookedUpAndOtherNamesAre) {
    std::vector<std::string> lookedUp;
    ws::SetHostLookup([&](const std::string& name, ws::InAddr& address) {
        lookedUp.push_back(name);
        if (name == "10.0.0.256") {
            address = {10, 1, 2, 3};
            return 0;
        }
        return int{ws::WSAHOST_NOT_FOUND};
    });
    EXPECT_EQ(stack.ResolveToAddress("LOCALHOST"), "127.0.0.1");
    EXPECT_EQ(stack.ResolveToAddress("localhost"), "127.0.0.1");
    EXPECT_EQ(stack.ResolveToAddress("LocalHost"), "127.0.0.1");
    EXPECT_EQ(stack.ResolveToAddress("192.168.1.20"), "192.168.1.20");
    EXPECT_TRUE(lookedUp.empty());
    EXPECT_EQ(stack.ResolveToAddress("10.0.0.256"), "10.1.2.3");
    if (const auto e =
            yeroup::test::Thrown<EIdSocketError>([&] { stack.ResolveToAddress("no-such-host.yeroup.test"); })) {
        EXPECT_EQ(e->LastError(), 11001);
        EXPECT_STREQ(e->what(), "Socket Error # 11001\r\nHost not found.");
    }
    EXPECT_EQ(lookedUp, (std::vector<std::string>{"10.0.0.256", "no-such-host.yeroup.test"}));
}

TEST_F(StackTest, ServiceNamesFallBackToNumbersAndRejectTheRest) {
    EXPECT_EQ(stack.ServByName("8080"), 8080);
    EXPECT_THROW_TEXT(stack.ServByName("no-such-service-x"), EIdInvalidServiceName,
                      "no-such-service-x is not a valid service.");
}

TEST_F(StackTest, ANewSocketFailureRaisesCannotAllocate) {
    EXPECT_NO_THROW(stack.CloseSocket(stack.NewSocket(Id_SOCK_STREAM, 0)));
    EXPECT_THROW_TEXT(stack.NewSocket(77, 0), EIdInvalidSocket, "Cannot allocate socket.");
}

}  // namespace
}  // namespace yeroup::net

namespace yeroup::net {
namespace {

TEST(IdSocketList, HoldsSixtyFourSocketsAndRefillsARemovedSlotFromTheEnd) {
    TIdSocketList list;
    for (TIdStackSocketHandle s = 1; s <= 64; ++s) list.Add(s);
    EXPECT_THROW(list.Add(65), EIdStackSetSizeExceeded);
    list.Remove(2);
    EXPECT_EQ(list.Count(), 63);
    EXPECT_EQ(list.Item(1), 64u);
    EXPECT_EQ(list.Item(62), 63u);
    EXPECT_THROW_TEXT(list.Item(63), EIdStackSetSizeExceeded, "Set Size Exceeded.");
    EXPECT_THROW(list.Item(-1), EIdStackSetSizeExceeded);
}

}  // namespace
}  // namespace yeroup::net
