// The TLS transport against real TLS servers on loopback: openssl s_server for handshakes that must fail or
// pass, nginx for a body read cancelled from the message pump, Python's ssl module for streams the server ends.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

#include "net/IdAntiFreeze.h"
#include "net/IdException.h"
#include "net/IdTCPClient.h"
#include "net/Limits.h"
#include "net/tls/IdSSLExceptions.h"
#include "net/tls/IdSSLIOHandlerSocket.h"
#include "tests/http/support/TlsServers.h"
#include "tests/net/support/FakeMessagePump.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/ScratchFolder.h"

namespace yeroup::net {
namespace {

using yeroup::test::OpenSslServer;
using yeroup::test::TestCAFile;

// A TLS server of Python's ssl module on server.pem that sends "hello" and then ends the stream as told:
// "close" with its close alert, "clear" with bytes in clear text where the next record should begin.
class StreamEndingServer : public yeroup::test::RealServer {
public:
    explicit StreamEndingServer(const std::string& ending) {
        port_ = yeroup::test::FreeLoopbackPort();
        const auto pki = yeroup::test::TestPki();
        Launch({"python3", "-c", kScript, std::to_string(port_), (pki / "server.pem").string(),
                (pki / "server.key").string(), ending});
    }

private:
    static constexpr const char* kScript = R"PY(
import os, socket, ssl, sys
port, certificate, key, ending = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(certificate, key)
listener = socket.create_server(("127.0.0.1", port))
while True:
    raw, _ = listener.accept()
    raw.settimeout(10)
    try:
        tls = context.wrap_socket(raw, server_side=True)
        tls.sendall(b"hello\n")
        if ending == "close":
            tls.unwrap()
        else:
            os.write(tls.fileno(), b"no record at all\n")
            raw.recv(1)
    except (OSError, ssl.SSLError):
        pass
    raw.close()
)PY";
};

class TlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        client.SetIOHandler(&handler);
        handler.ExtraCAFile = TestCAFile();
        handler.SetPassThrough(false);
    }
    void Dial(const std::string& host, std::uint16_t port) {
        client.SetHost(host);
        client.SetPort(port);
        client.Connect();
    }
    // What s_server answers a GET with, first line only.
    std::string FetchStatusLine() {
        client.WriteLine("GET / HTTP/1.0");
        client.WriteLine();
        return client.ReadLine();
    }

    yeroup::test::UseTestHostNames names;
    TIdSSLIOHandlerSocket handler;
    TIdTCPClient client;
};

TEST_F(TlsTest, RefusedServersSayWhatFailed) {
    const std::string depth = std::to_string(limits::kTlsMaxChainDepth);
    struct Case {
        const char* certificate;
        const char* intermediates;
        const char* host;
        bool trustTestCA;
        std::string failure;
    } cases[] = {
        {"expired", "", "update.test", true, "the server's certificate has expired"},
        {"not-yet", "", "update.test", true, "the server's certificate is not valid yet"},
        {"client-only", "", "update.test", true,
         "the server's certificate was refused: unsuitable certificate purpose"},
        {"server", "", "other.test", true, "the server's certificate is not valid for the host name other.test"},
        {"rogue", "", "update.test", true, "the server's certificate was issued by an unknown authority"},
        {"server", "", "update.test", false, "the server's certificate was issued by an unknown authority"},
        {"chain-long", "chain-long-intermediates", "update.test", true,
         "the server's certificate chain has more than " + depth + " intermediate certificates"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.certificate) + " as " + c.host);
        OpenSslServer server(c.certificate, c.intermediates);
        handler.ExtraCAFile = c.trustTestCA ? TestCAFile() : "";
        EXPECT_THROW_TEXT(Dial(c.host, server.Port()), EIdTLSHandshakeError,
                          "TLS handshake with " + std::string(c.host) + " failed: " + c.failure);
        EXPECT_FALSE(client.IsConnected());
    }
}

TEST_F(TlsTest, WildcardsStandForAWholeLabelAsInBrowsers) {
    OpenSslServer whole("wildcard");
    Dial("foo.wild.test", whole.Port());
    EXPECT_EQ(FetchStatusLine(), "HTTP/1.0 200 ok");
    client.Disconnect();
    OpenSslServer partial("partial-wildcard");
    EXPECT_THROW_TEXT(Dial("foo.wild.test", partial.Port()), EIdTLSCertificateError,
                      "TLS handshake with foo.wild.test failed: the server's certificate is not valid for the host "
                      "name foo.wild.test");
}

// The root's dot names the same host, on either side: curl and browsers accept both.
TEST_F(TlsTest, ATrailingDotNamesTheSameHost) {
    OpenSslServer plain("server");
    Dial("update.test.", plain.Port());
    EXPECT_EQ(FetchStatusLine(), "HTTP/1.0 200 ok");
    client.Disconnect();
    OpenSslServer rooted("root-dot");
    Dial("update.test", rooted.Port());
    EXPECT_EQ(FetchStatusLine(), "HTTP/1.0 200 ok");
}

// Handshakes that fail for want of a TLS server say so.
TEST_F(TlsTest, HandshakeFailuresNameTheirCause) {
    yeroup::test::BrokenTlsServer closing("close-in-handshake");
    yeroup::test::NginxServer plain;
    struct Case {
        const char* what;
        std::uint16_t port;
        std::string failure;
    } cases[] = {
        {"closed in the handshake", closing.Port(), "the server closed the connection"},
        {"plain http server", plain.Port(), "the server does not speak TLS (a plain http server?)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_THROW_TEXT(Dial("update.test", c.port), EIdTLSHandshakeError,
                          "TLS handshake with update.test failed: " + c.failure);
        EXPECT_FALSE(client.IsConnected());
    }
}

// A server that dies mid-body sends no close alert; the reader sees the close, not a stale socket error.
TEST_F(TlsTest, ABodyCutWithoutTheCloseAlertEndsAsAClose) {
    yeroup::test::BrokenTlsServer server(
        "cut", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(100, 'b') + "\r\npart of a line");
    struct Case {
        const char* what;
        std::function<void(platform::TMemoryStream&)> read;
    } cases[] = {
        {"counted read", [&](platform::TMemoryStream& stream) { client.ReadToStream(stream, 1000); }},
        {"line reads",
         [&](platform::TMemoryStream&) {
             while (true) client.ReadLine();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Dial("update.test", server.Port());
        EXPECT_EQ(FetchStatusLine(), "HTTP/1.1 200 OK");
        while (!client.ReadLine().empty()) {}
        platform::TMemoryStream stream;
        EXPECT_THROW_TEXT(c.read(stream), EIdConnClosedGracefully, "Connection Closed Gracefully.");
        client.Disconnect();
    }
}

TEST_F(TlsTest, TrustedServersAnswerOverTheSession) {
    struct Case {
        const char* certificate;
        const char* intermediates;
        const char* host;
    } cases[] = {
        {"server", "", "update.test"},
        {"server", "", "localhost"},
        {"server", "", "127.0.0.1"},
        {"chain-ok", "chain-ok-intermediates", "update.test"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.certificate) + " as " + c.host);
        OpenSslServer server(c.certificate, c.intermediates);
        Dial(c.host, server.Port());
        EXPECT_TRUE(handler.Encrypting());
        EXPECT_EQ(FetchStatusLine(), "HTTP/1.0 200 ok");
        client.Disconnect();
    }
}

TEST_F(TlsTest, PassThroughIsClearTextUntilSwitchedOffOnTheOpenConnection) {
    OpenSslServer server("server");
    handler.SetPassThrough(true);
    handler.URIHost = "update.test";
    Dial("127.0.0.1", server.Port());
    EXPECT_FALSE(handler.Encrypting());
    // As after a proxy opened a tunnel: the handshake runs at once, for the name in URIHost.
    handler.SetPassThrough(false);
    EXPECT_TRUE(handler.Encrypting());
    EXPECT_EQ(FetchStatusLine(), "HTTP/1.0 200 ok");
}

TEST_F(TlsTest, ACAFileThatCannotBeReadFailsTheConnect) {
    OpenSslServer server("server");
    yeroup::test::ScratchFolder scratch;
    const std::string missing = (scratch.Path() / "missing.pem").string();
    const std::string text = (scratch.Path() / "text.pem").string();
    yeroup::test::WriteFile(text, "no certificate here\n");
    struct Case {
        std::string file, reason;
    } cases[] = {{missing, "No such file or directory"}, {text, "no certificate or crl found"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        handler.ExtraCAFile = c.file;
        EXPECT_THROW_TEXT(Dial("update.test", server.Port()), EIdTLSHandshakeError,
                          "TLS: cannot read the CA file " + c.file + ": " + c.reason);
        EXPECT_FALSE(client.IsConnected());
    }
}

TEST_F(TlsTest, AStreamTheServerEndsEndsTheReads) {
    {
        // The close alert closes the connection as a plain close would.
        StreamEndingServer server("close");
        Dial("update.test", server.Port());
        EXPECT_EQ(client.ReadLine(), "hello");
        EXPECT_THROW_TEXT(client.ReadLine(), EIdConnClosedGracefully, "Connection Closed Gracefully.");
        client.Disconnect();
    }
    // Clear text after the records is an error of the stream, and every later read says so again.
    StreamEndingServer server("clear");
    Dial("update.test", server.Port());
    EXPECT_EQ(client.ReadLine(), "hello");
    EXPECT_THROW_TEXT(client.ReadLine(), EIdTLSError, "TLS error: wrong version number");
    EXPECT_THROW_TEXT(client.ReadLine(), EIdTLSError, "TLS error: wrong version number");
}

TEST_F(TlsTest, APlainHttpServerASilentOneOrOneThatClosesFailsTheHandshake) {
    yeroup::test::NginxServer plain;
    if (const auto e = yeroup::test::Thrown<EIdTLSHandshakeError>([&] { Dial("127.0.0.1", plain.Port()); })) {
        EXPECT_EQ(std::string(e->what()).rfind("TLS handshake with 127.0.0.1 failed: ", 0), 0u) << e->what();
    }

    // A listener that never accepts: the connect completes, the server never says a word.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    handler.HandshakeTimeout = 300;
    EXPECT_THROW_TEXT(Dial("update.test", ntohs(address.sin_port)), EIdTLSHandshakeError,
                      "TLS handshake with update.test failed: the server did not answer within 300 ms");
    ::close(silent);
    EXPECT_EQ(TIdSSLIOHandlerSocket().HandshakeTimeout, limits::kTlsHandshakeTimeout);

    // A peer that reads the client's greeting, a record of 5 header bytes and its length, and closes.
    yeroup::test::LoopbackServer closing([](yeroup::test::PeerSocket& peer, int) {
        const std::string head = peer.Receive(5);
        if (head.size() == 5)
            peer.Receive(static_cast<unsigned char>(head[3]) * 256u + static_cast<unsigned char>(head[4]));
    });
    EXPECT_THROW_TEXT(Dial("update.test", closing.Port()), EIdTLSHandshakeError,
                      "TLS handshake with update.test failed: the server closed the connection");
}

TEST_F(TlsTest, DisconnectFromThePumpEndsABodyReadOverTLS) {
    yeroup::test::TlsNginxServer server;
    const std::string body(1 << 20, 'x');
    server.WriteFile("slow/big.bin", body);
    yeroup::test::FakeMessagePump pump;
    TIdAntiFreeze antiFreeze(pump);
    antiFreeze.IdleTimeOut = 20;
    antiFreeze.OnlyWhenIdle = false;
    platform::TMemoryStream stream;
    bool cancelled = false;
    pump.onPump = [&] {
        if (!cancelled && stream.Position() >= 100000) {
            cancelled = true;
            client.Disconnect();
        }
    };
    Dial("update.test", server.TlsPort());
    client.WriteText("GET /slow/big.bin HTTP/1.1\r\nHost: update.test\r\n\r\n");
    while (!client.ReadLine().empty()) {}
    EXPECT_THROW(client.ReadToStream(stream, static_cast<std::int32_t>(body.size())), EIdConnClosedGracefully);
    EXPECT_TRUE(cancelled);
    EXPECT_GE(stream.Size(), 100000);
    EXPECT_LT(stream.Size(), static_cast<std::int64_t>(body.size()));
    EXPECT_EQ(stream.ToString(), body.substr(0, static_cast<std::size_t>(stream.Size())));
    EXPECT_FALSE(client.IsConnected());
}

}  // namespace
}  // namespace yeroup::net
