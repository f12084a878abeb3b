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

using StreamReadTest = ClientTest;

std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i % 26);
    return s;
}

TEST_F(StreamReadTest, ACountedReadGrowsTheStreamAsBytesComeAndTakesTheBufferFirst) {
    const std::string body = Pattern(100000);
    ConnectTo([=](PeerSocket& peer) { peer.Send("head\n" + body); });
    client.ReadLine();  // leaves the first bytes of the body buffered
    platform::TMemoryStream stream;
    stream.WriteBuffer("xy", 2);
    std::int64_t sizeAtBegin = -1;
    log.Attach(client);
    client.OnWorkBegin = [&](TIdComponent*, TWorkMode, std::int32_t max) {
        sizeAtBegin = stream.Size();
        log.entries.push_back("begin read " + std::to_string(max));
    };
    client.ReadToStream(stream, 100000);
    EXPECT_EQ(sizeAtBegin, 2);  // no room is taken for bytes that have not come
    EXPECT_EQ(stream.Size(), 100002);
    EXPECT_EQ(stream.ToString().substr(2), body);
    ASSERT_GE(log.entries.size(), 3u);
    EXPECT_EQ(log.entries.front(), "begin read 100000");
    EXPECT_EQ(log.entries[log.entries.size() - 2], "read 100000");
    EXPECT_EQ(log.entries.back(), "end read");
}

TEST_F(StreamReadTest, CountZeroReadsNothingAndKeepsTheSizeAtThePosition) {
    auto done = test::Gate::Make();
    ConnectTo([=](PeerSocket&) { done->Wait(); });
    platform::TMemoryStream stream;
    stream.WriteBuffer("abcdef", 6);
    stream.SetPosition(2);
    log.Attach(client);
    client.ReadToStream(stream, 0);
    done->Open();
    EXPECT_EQ(stream.Size(), 2);
    EXPECT_EQ(log.entries, (std::vector<std::string>{"begin read 0", "end read"}));
}

TEST_F(StreamReadTest, APeerCloseInsideACountedReadRaisesAfterTruncatingAndEndingTheSpan) {
    ConnectTo([=](PeerSocket& peer) { peer.Send(Pattern(5000)); });
    platform::TMemoryStream stream;
    log.Attach(client);
    EXPECT_THROW(client.ReadToStream(stream, 50000), EIdConnClosedGracefully);
    // Every byte that came is in the stream.
    EXPECT_EQ(stream.ToString(), Pattern(5000));
    EXPECT_EQ(client.InputBuffer().Size(), 0);
    EXPECT_EQ(stream.Size(), stream.Position());
    EXPECT_EQ(log.entries.back(), "end read");
    EXPECT_EQ(log.Count("Disconnected."), 1);
    EXPECT_FALSE(client.IsConnected());
}

TEST_F(StreamReadTest, AReadUntilCloseDeliversAndCountsEveryByte) {
    const std::string body = Pattern(70000);
    ConnectTo([=](PeerSocket& peer) { peer.Send(body); });
    platform::TMemoryStream stream;
    log.Attach(client);
    client.ReadToStream(stream, -1, true);
    EXPECT_EQ(stream.ToString(), body);
    EXPECT_EQ(log.entries.front(), "begin read 0");
    EXPECT_EQ(log.Count("read 70000"), 1);
    EXPECT_EQ(log.entries.back(), "end read");
}

TEST_F(StreamReadTest, ALengthPrefixedReadTakesItsCountFromTheStream) {
    ConnectTo([=](PeerSocket& peer) { peer.Send(std::string("\0\0\0\5hello!", 10)); });
    platform::TMemoryStream stream;
    client.ReadToStream(stream);
    EXPECT_EQ(stream.ToString(), "hello");
    EXPECT_EQ(client.InputBuffer().Size() + 0, 1);
}

TEST_F(StreamReadTest, AnExactReadThatMeetsAPeerCloseLeavesTheBytesBuffered) {
    ConnectTo([=](PeerSocket& peer) { peer.Send("1234"); });
    char buffer[10];
    EXPECT_THROW(client.ReadExact(buffer, 10), EIdConnClosedGracefully);
    EXPECT_EQ(client.InputBuffer().Size(), 4);
    EXPECT_EQ(client.TakeAvailable(), "1234");
}

TEST_F(StreamReadTest, APeerCloseWithAnEmptyBufferIsReportedOnce) {
    ConnectTo([=](PeerSocket&) {});
    log.Attach(client);
    EXPECT_THROW(client.ReadLine(), EIdConnClosedGracefully);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_THROW(client.ReadLine(), EIdConnClosedGracefully);
    EXPECT_EQ(log.Count("Disconnected."), 1);
    EXPECT_EQ(log.Count("OnDisconnected"), 1);
    EXPECT_THROW_TEXT(client.FillInputBuffer(true), EIdConnClosedGracefully, "Connection Closed Gracefully.");
}

TEST_F(StreamReadTest, ProbeForCloseLeavesAHealthyConnectionAloneAndNoticesAClosedOne) {
    auto probed = test::Gate::Make();
    ConnectTo([=](PeerSocket&) { probed->Wait(); });
    log.Attach(client);
    client.ProbeForClose(false);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(client.InputBuffer().Size(), 0);
    EXPECT_TRUE(log.entries.empty());
    probed->Open();
    listener.Join();  // the peer has closed
    client.ProbeForClose(false);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(log.entries, (std::vector<std::string>{"Disconnected.", "OnDisconnected"}));
}

TEST_F(StreamReadTest, ReadAllUntilCloseAndTheAsciiFilter) {
    ConnectTo([=](PeerSocket& peer) { peer.Send("\xC1\xE2z"); });
    client.ASCIIFilter = true;
    EXPECT_EQ(client.ReadAllUntilClose(), "Abz");
}

}  // namespace
}  // namespace yeroup::net
