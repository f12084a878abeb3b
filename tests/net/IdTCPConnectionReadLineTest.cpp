#include <gtest/gtest.h>

#include <string>
#include "tests/net/support/Gate.h"

#include "net/IdException.h"
#include "net/Limits.h"
#include "tests/net/support/ClientFixture.h"
#include "tests/net/support/ScriptedTransport.h"
#include "tests/support/ExpectThrow.h"

namespace yeroup::net {
namespace {

using test::ClientTest;
using test::PeerSocket;

using ReadLineTest = ClientTest;

TEST_F(ReadLineTest, LfAndCrLfEndsReadTheSameAndOtherTerminatorsDropOnlyThemselves) {
    ConnectTo([](PeerSocket& peer) { peer.Send("one\ntwo\r\nthr\ree\r\n\r\nfour||five\r||"); });
    EXPECT_EQ(client.ReadLine(), "one");
    EXPECT_EQ(client.ReadLine(), "two");
    EXPECT_EQ(client.ReadLine(), "thr\ree");
    EXPECT_EQ(client.ReadLine(""), "");
    EXPECT_EQ(client.ReadLine("||"), "four");
    EXPECT_EQ(client.ReadLine("||"), "five\r");
}

TEST(ReadLineArrival, ATerminatorSplitAcrossArrivalsIsFoundWhateverThePieceSize) {
    for (std::size_t piece = 1; piece <= 9; ++piece) {
        test::ScriptedTransport transport("alpha<|>beta<|>gamma\r\nlast", piece);
        TIdTCPConnection connection;
        connection.SetIOHandler(&transport);
        EXPECT_EQ(connection.ReadLine("<|>"), "alpha") << piece;
        EXPECT_EQ(connection.ReadLine("<|>"), "beta") << piece;
        EXPECT_EQ(connection.ReadLine(), "gamma") << piece;
        EXPECT_EQ(connection.ReadLine(), "");
        EXPECT_TRUE(connection.ReadLnEndedByClose());
        EXPECT_EQ(connection.InputBuffer().Size(), 4);
        connection.SetIOHandler(nullptr);
    }
}

TEST_F(ReadLineTest, MaxLineLengthIsInclusiveAndOneMoreRaises) {
    const std::string exact(limits::kMaxLineLength, 'a');
    const std::string over(limits::kMaxLineLength + 1, 'b');
    ConnectTo([=](PeerSocket& peer) { peer.Send(exact + "\n" + over + "\nnext\n"); });
    EXPECT_EQ(client.ReadLine(), exact);
    EXPECT_THROW_TEXT(client.ReadLine(), EIdReadLnMaxLineLengthExceeded, "Max line length exceeded.");
}

TEST_F(ReadLineTest, SplitModeReturnsTheMaximumAndLeavesTheRest) {
    ConnectTo([](PeerSocket& peer) { peer.Send(std::string(12, 'x') + "yz\n"); });
    client.MaxLineAction = maSplit;
    client.MaxLineLength = 12;
    EXPECT_EQ(client.ReadLine(), std::string(12, 'x'));
    EXPECT_TRUE(client.ReadLnSplit());
    EXPECT_EQ(client.ReadLine(), "yz");
    EXPECT_FALSE(client.ReadLnSplit());
}

TEST_F(ReadLineTest, AnUnterminatedOverlongLineRaisesWithoutWaitingForItsEnd) {
    auto done = test::Gate::Make();
    ConnectTo([=](PeerSocket& peer) {
        peer.Send(std::string(16385, 'c'));
        done->Wait();  // keeps the connection open: the read must not wait for more
    });
    EXPECT_THROW(client.ReadLine(), EIdReadLnMaxLineLengthExceeded);
    done->Open();
}

TEST_F(ReadLineTest, MaximumZeroMeansNoLimit) {
    const std::string huge(70000, 'z');
    ConnectTo([=](PeerSocket& peer) { peer.Send(huge + "\r\n"); });
    client.MaxLineLength = 0;
    EXPECT_EQ(client.ReadLine(), huge);
}

TEST_F(ReadLineTest, APeerCloseAfterAnUnterminatedTailKeepsTheTailForAReadUntilClose) {
    ConnectTo([](PeerSocket& peer) { peer.Send("abc"); });
    log.Attach(client);
    EXPECT_EQ(client.ReadLine(), "");
    EXPECT_TRUE(client.ReadLnEndedByClose());
    EXPECT_EQ(client.InputBuffer().Size(), 3);
    EXPECT_THROW(client.ReadLine(), EIdConnClosedGracefully);
    platform::TMemoryStream stream;
    client.ReadToStream(stream, -1, true);
    EXPECT_EQ(stream.ToString(), "abc");
    EXPECT_EQ(log.Count("Disconnected."), 1);
    EXPECT_EQ(log.Count("OnDisconnected"), 1);
}

TEST_F(ReadLineTest, LinesInsideAReadSpanAreCountedWithTheirTerminators) {
    ConnectTo([](PeerSocket& peer) { peer.Send("ab\r\ncd\n"); });
    log.Attach(client);
    client.ReadLine();  // outside a span: not counted
    client.NotifyWorkBegin(wmRead, 0);
    client.ReadLine();
    client.NotifyWorkEnd(wmRead);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"begin read 0", "read 3", "end read"}));
}

TEST_F(ReadLineTest, ASilentPeerEndsAReadWithReadTimeoutWhenOneIsSet) {
    auto done = test::Gate::Make();
    ConnectTo([=](PeerSocket&) { done->Wait(); });
    client.ReadTimeout = 300;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW_TEXT(client.ReadLine(), EIdReadTimeout, "Read Timeout");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    char buffer[4];
    EXPECT_THROW(client.ReadExact(buffer, 4), EIdReadTimeout);
    done->Open();
}

}  // namespace
}  // namespace yeroup::net
