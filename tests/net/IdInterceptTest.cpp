#include "net/IdIntercept.h"

#include <gtest/gtest.h>

#include <cctype>

#include "net/IdTCPClient.h"
#include "tests/net/support/ScriptedTransport.h"

namespace yeroup::net {
namespace {

std::string Contents(platform::TStream& s) {
    std::string out(static_cast<std::size_t>(s.Size()), '\0');
    s.SetPosition(0);
    s.ReadBuffer(out.data(), s.Size());
    return out;
}

void Replace(platform::TStream& s, const std::string& text) {
    s.SetSize(0);
    s.SetPosition(0);
    s.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

TEST(IdConnectionIntercept, RewritesBothDirectionsThroughTheChainAndHearsConnectAndDisconnect) {
    test::ScriptedTransport transport("abc\nxyz\n", 3);
    TIdConnectionIntercept outer, wire;
    outer.SetIntercept(&wire);
    std::vector<std::string> order;
    wire.OnConnect = [&](TIdConnectionIntercept*) { order.push_back("wire connect"); };
    outer.OnConnect = [&](TIdConnectionIntercept*) { order.push_back("outer connect"); };
    outer.OnDisconnect = [&](TIdConnectionIntercept*) { order.push_back("outer disconnect"); };
    wire.OnDisconnect = [&](TIdConnectionIntercept*) { order.push_back("wire disconnect"); };
    // Received: the wire side doubles each block, then the outer side upper-cases it.
    wire.OnReceive = [](TIdConnectionIntercept*, platform::TStream& b) {
        const std::string s = Contents(b);
        Replace(b, s + s);
    };
    outer.OnReceive = [](TIdConnectionIntercept*, platform::TStream& b) {
        std::string s = Contents(b);
        for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        Replace(b, s);
    };
    outer.OnSend = [](TIdConnectionIntercept*, platform::TStream& b) { Replace(b, "<" + Contents(b) + ">"); };
    wire.OnSend = [](TIdConnectionIntercept*, platform::TStream& b) { Replace(b, Contents(b) + "|"); };

    TIdTCPClient client;
    client.SetIOHandler(&transport);
    client.SetIntercept(&outer);
    transport.CloseBinding();  // so Connect opens it again
    client.Connect();
    // Pieces "abc", "\nxy", "z\n", each doubled and upper-cased.
    EXPECT_EQ(client.ReadLine(), "ABCABC");
    EXPECT_EQ(client.ReadLine(), "XY");
    EXPECT_EQ(client.ReadLine(), "XYZ");
    client.WriteText("hi");
    EXPECT_EQ(transport.sent, "<hi>|");
    client.Disconnect();
    EXPECT_EQ(order,
              (std::vector<std::string>{"wire connect", "outer connect", "outer disconnect", "wire disconnect"}));
    client.SetIOHandler(nullptr);
}

TEST(IdConnectionIntercept, ADestroyedInterceptIsForgotten) {
    TIdTCPClient client;
    auto intercept = std::make_unique<TIdConnectionIntercept>();
    TIdConnectionIntercept outer;
    outer.SetIntercept(intercept.get());
    client.SetIntercept(intercept.get());
    intercept.reset();
    EXPECT_EQ(client.Intercept(), nullptr);
    EXPECT_EQ(outer.Intercept(), nullptr);
}

}  // namespace
}  // namespace yeroup::net
