#pragma once
// The OpenSSL pieces of the TLS transport: the client context with its trust settings, the BIO that moves
// records through our socket stack, and the texts that say why a handshake failed.
#include <memory>
#include <string>

#include <openssl/ssl.h>

namespace yeroup::net {

class TIdSocketHandle;

struct SslCtxFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
struct SslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};
using SslCtxPtr = std::unique_ptr<SSL_CTX, SslCtxFree>;
using SslPtr = std::unique_ptr<SSL, SslFree>;

// TLS 1.2 or later, peer verification on, the system's trust store plus extraCAFile (when not empty), the
// chain depth limit, host names matched as browsers match them. Raises EIdTLSHandshakeError when the CA file cannot be
// read.
SslCtxPtr MakeClientContext(const std::string& extraCAFile);

class TlsClientContext {
public:
    explicit TlsClientContext(const std::string& extraCAFile)
        : CAFile(extraCAFile), Context(MakeClientContext(extraCAFile)) {}
    const std::string CAFile;
    const SslCtxPtr Context;
};

// A BIO whose reads never block (they ask to be retried while nothing is queued, so the caller can wait in
// slices and pump) and whose writes are the socket's blocking sends. It reports the peer's close as the end of
// the stream, so OpenSSL tells a close from a socket error. binding must outlive the BIO.
BIO* NewSocketBio(TIdSocketHandle* binding);

// Raises why the handshake with host failed, from the verification result and OpenSSL's error queue
// (emptied): EIdTLSCertificateError when the certificate was refused, else EIdTLSHandshakeError.
[[noreturn]] void RaiseHandshakeFailure(SSL* ssl, int sslError, const std::string& host);
// The host as certificates are matched against it: a name without its trailing dots (the DNS root, as curl and
// browsers ignore it), and whether it is an IPv4 or IPv6 address, which only IP entries match.
struct TCertificateHost {
    std::string name;
    bool address = false;
};
TCertificateHost CertificateHostOf(const std::string& host);
// Makes the session check the peer's certificate against host by the rules above, and name it in the handshake
// when it is a name.
void ExpectPeerHost(SSL* ssl, const std::string& host);
// True when the certificate (DER bytes) names host (or, for a dotted quad, its address) by the transport's rules:
// a wildcard stands for a whole leftmost label only, as in browsers. Views with a TLS stack of their own check
// their peer's certificate with it, so that every connection of the program matches names alike.
bool CertificateNamesHost(const std::string& der, const std::string& host);

// The reason of the first error in OpenSSL's error queue (emptied), or fallback.
std::string TakeSslErrorText(const char* fallback);

}  // namespace yeroup::net
