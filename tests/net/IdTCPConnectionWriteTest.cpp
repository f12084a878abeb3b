#include <gtest/gtest.h>

#include <string>
#include "tests/net/support/Gate.h"

#include "net/IdException.h"
#include "tests/net/support/ClientFixture.h"
#include "tests/support/ExpectThrow.h"

namespace yeroup::net {
namespace {

using test::ClientTest;
using test::PeerSocket;

using WriteTest = ClientTest;

TEST_F(WriteTest, WriteLineAppendsCrLfAndAnEmptyLineIsJustCrLf) {
    auto received = test::Mailbox::Make();
    ConnectTo([=](PeerSocket& peer) { received->Put(peer.ReceiveUntilClose()); });
    client.WriteLine("GET / HTTP/1.1");
    client.WriteLine();
    client.WriteText("");
    client.Disconnect();
    EXPECT_EQ(received->Take(), "GET / HTTP/1.1\r\n\r\n");
}

TEST_F(WriteTest, ABatchWithoutThresholdLeavesOnlyAtItsEnd) {
    auto early = test::Mailbox::Make(), late = test::Mailbox::Make();
    auto ended = test::Gate::Make();
    ConnectTo([=](PeerSocket& peer) {
        early->Put(peer.ReceiveAvailable(150));
        ended->Wait();
        late->Put(peer.Receive(10 + 40002));
    });
    log.Attach(client);
    client.BeginWriteBatch(-1);
    client.WriteLine("line one");
    client.WriteLine(std::string(40000, 'x'));
    EXPECT_EQ(early->Take(), "");
    client.EndWriteBatch();
    ended->Open();
    EXPECT_EQ(late->Take(), "line one\r\n" + std::string(40000, 'x') + "\r\n");
    EXPECT_FALSE(client.WriteBatchOpen());
    EXPECT_EQ(log.Count("begin write 0"), 0);  // a send outside a write span fires no write events
}

TEST_F(WriteTest, AThresholdSendsExactlyThatManyBytesWhenReached) {
    auto first = test::Mailbox::Make(), rest = test::Mailbox::Make();
    auto ended = test::Gate::Make();
    auto firstSent = test::Gate::Make();
    ConnectTo([=](PeerSocket& peer) {
        firstSent->Wait();
        first->Put(peer.ReceiveAvailable(2000));
        ended->Wait();
        rest->Put(peer.ReceiveAvailable(5000));
    });
    client.BeginWriteBatch(100);
    client.WriteText(std::string(99, 'a'));
    client.WriteText("bcd");
    firstSent->Open();
    EXPECT_EQ(first->Take(), std::string(99, 'a') + "b");
    client.EndWriteBatch();
    ended->Open();
    EXPECT_EQ(rest->Take(), "cd");
}

TEST_F(WriteTest, AStreamWriteOpensAWriteSpanAndCanPrefixItsLength) {
    auto received = test::Mailbox::Make();
    ConnectTo([=](PeerSocket& peer) { received->Put(peer.ReceiveUntilClose()); });
    platform::TMemoryStream source;
    source.WriteBuffer("0123456789", 10);
    source.SetPosition(7);
    log.Attach(client);
    client.SendBufferSize = 4;
    client.WriteFromStream(source, true, true, 0);
    client.Disconnect();
    EXPECT_EQ(received->Take(), std::string("\0\0\0\x0a", 4) + "0123456789");
    const std::vector<std::string> expected{"begin write 10", "write 4", "write 8", "write 10", "end write"};
    EXPECT_EQ(std::vector<std::string>(log.entries.begin(), log.entries.begin() + 5), expected);
}

TEST_F(WriteTest, ASourceThatEndsEarlyRaisesNoDataToReadAndStillEndsTheSpan) {
    ConnectTo([=](PeerSocket& peer) { peer.ReceiveUntilClose(); });
    platform::TMemoryStream source;
    source.WriteBuffer("abc", 3);
    source.SetPosition(0);
    log.Attach(client);
    EXPECT_THROW_TEXT(client.WriteFromStream(source, false, false, 10), EIdNoDataToRead, "No data to read.");
    EXPECT_EQ(log.entries.back(), "end write");
}

TEST_F(WriteTest, WritingAfterDisconnectRaisesNotConnected) {
    ConnectTo([=](PeerSocket&) {});
    client.Disconnect();
    EXPECT_EQ(client.IOHandler(), nullptr);
    EXPECT_THROW_TEXT(client.WriteLine("x"), EIdNotConnected, "Not Connected");
    EXPECT_THROW(client.FillInputBuffer(true), EIdNotConnected);
    EXPECT_EQ(client.FillInputBuffer(false), 0);
}

TEST_F(WriteTest, AMissingFileRaisesFileNotFound) {
    ConnectTo([=](PeerSocket&) {});
    EXPECT_THROW_TEXT(client.WriteFileContents("/nonexistent/yeroup.bin"), EIdFileNotFound,
                      "File \"/nonexistent/yeroup.bin\" not found");
}

TEST_F(WriteTest, SendingToAPeerThatResetRaisesASocketErrorAndCloses) {
    auto closed = test::Gate::Make();
    ConnectTo([=](PeerSocket& peer) {
        // Unread data at close makes the peer answer with a reset.
        peer.Send("unused");
        closed->Open();
    });
    closed->Wait();
    listener.Join();
    const std::string block(65536, 'q');
    bool raised = false;
    for (int i = 0; i < 200 && !raised; ++i) {
        try {
            client.WriteBytes(block.data(), static_cast<std::int32_t>(block.size()));
        } catch (const EIdSocketError& e) {
            raised = true;
            EXPECT_TRUE(e.LastError() == 10054 || e.LastError() == 10058 || e.LastError() == 10053) << e.LastError();
        } catch (const EIdConnClosedGracefully&) {
            raised = true;  // the close was seen first
        }
    }
    EXPECT_TRUE(raised);
    EXPECT_FALSE(client.IsConnected());
}

}  // namespace
}  // namespace yeroup::net

namespace yeroup::net {
namespace {

using ReplyTest = test::ClientTest;

TEST_F(ReplyTest, AMultiLineReplyIsReadToItsLastLineAndParsed) {
    ConnectTo([](test::PeerSocket& peer) {
        peer.Send(
            "\r\n  \r\n250-first line\r\n250-second\r\n250 last\r\n"
            "550 no such thing\r\nabc\r\n");
        peer.ReceiveUntilClose();
    });
    EXPECT_EQ(client.ReadReply(), 250);
    EXPECT_EQ(client.LastCmdResult.TextCode, "250");
    EXPECT_EQ(client.LastCmdResult.Text, (std::vector<std::string>{"first line", "second", "last"}));
    if (const auto e = yeroup::test::Thrown<EIdProtocolReplyError>([&] { client.SendCommand("DELE x", {250, 251}); })) {
        EXPECT_EQ(e->ReplyErrorCode(), 550);
        EXPECT_STREQ(e->what(), "no such thing");
    }
    EXPECT_EQ(client.ReadReply(), 0);  // a text code that is no number
    EXPECT_EQ(client.LastCmdResult.TextCode, "abc");
}

}  // namespace
}  // namespace yeroup::net
