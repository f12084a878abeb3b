#pragma once
// TLS peers on loopback for the tests and benchmarks: nginx serving https beside plain http, a CONNECT proxy,
// and openssl s_server with any certificate. Their certificates come from the test CA made at build time
// (tools/tls/make-test-pki.sh); the names update.test and other.test resolve to 127.0.0.1 through the
// stack's substitutable lookup (UseTestHostNames).
#include <filesystem>
#include <string>

#include "tests/http/support/RealServers.h"

namespace yeroup::test {

// The folder holding the test CA and certificates.
std::filesystem::path TestPki();
// The test CA's certificate, to trust in addition to the system's store.
std::string TestCAFile();
// Makes update.test, other.test and foo.wild.test resolve to 127.0.0.1 (and nothing else resolve) until destroyed.
class UseTestHostNames {
public:
    UseTestHostNames();
    ~UseTestHostNames();
    UseTestHostNames(const UseTestHostNames&) = delete;
    UseTestHostNames& operator=(const UseTestHostNames&) = delete;
};

// nginx with an https server (certificate server.pem, names update.test and localhost) and a plain http server
// on another port, both serving Root(). Below /slow/ bodies are sent at 256 KiB/s; /to-https/X on the plain
// server redirects to https://update.test:<TlsPort>/X, /to-http/X on the https server to the plain server's /X
// and /relative/X there to "Location: /X"; /cookie sets a secure cookie and /echo-cookie answers with the Cookie
// header it got.
class TlsNginxServer : public RealServer {
public:
    // certificate: the stem of the https server's certificate and key files in the test folder.
    explicit TlsNginxServer(const std::string& certificate = "server");
    std::uint16_t TlsPort() const { return tlsPort_; }
    // https://update.test:<TlsPort> + path
    std::string TlsUrl(const std::string& path) const;

private:
    std::uint16_t tlsPort_ = 0;
};

// openssl s_server on loopback with a certificate of the test folder (and its intermediates when given),
// answering a GET with a status page.
class OpenSslServer : public RealServer {
public:
    explicit OpenSslServer(const std::string& certificate, const std::string& intermediates = "");
};

// A TLS server (Python's ssl module over OpenSSL) that ends connections badly on purpose. "close-in-handshake"
// reads the client's hello and closes the connection; "cut" completes the handshake with server.pem, reads a
// request head, sends reply and closes the connection without TLS's close alert, as a server that died would.
class BrokenTlsServer : public RealServer {
public:
    explicit BrokenTlsServer(const std::string& mode, const std::string& reply = "");
};

// A forwarding proxy that answers CONNECT host:port by opening a tunnel to 127.0.0.1:port (any other request
// gets 405). Url() names it; Log() lists the CONNECT targets seen, one a line.
class ConnectProxy : public RealServer {
public:
    ConnectProxy();
    std::string Log() const;
};

}  // namespace yeroup::test
