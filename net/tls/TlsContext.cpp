#include "net/tls/TlsContext.h"

#include <openssl/err.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <system_error>

#include "net/IdComponent.h"
#include "net/IdGlobal.h"
#include "net/IdSocketHandle.h"
#include "net/IdStack.h"
#include "net/Limits.h"
#include "net/tls/IdSSLExceptions.h"

namespace yeroup::net {

namespace {

// "f*.example.test" names no host for a browser; a wildcard stands for a whole label or for nothing.
constexpr unsigned kHostFlags = X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS;

}  // namespace

SslCtxPtr MakeClientContext(const std::string& extraCAFile) {
    SslCtxPtr context(SSL_CTX_new(TLS_client_method()));
    if (!context) throw EIdTLSHandshakeError(TakeSslErrorText("cannot create a TLS context"));
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    // A peer that closes without its close alert ends the stream like a close; HTTP framing tells a cut body.
    SSL_CTX_set_options(context.get(), SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_verify_depth(context.get(), limits::kTlsMaxChainDepth);
    X509_VERIFY_PARAM_set_hostflags(SSL_CTX_get0_param(context.get()), kHostFlags);
    SSL_CTX_set_default_verify_paths(context.get());
    if (!extraCAFile.empty() && SSL_CTX_load_verify_locations(context.get(), extraCAFile.c_str(), nullptr) != 1)
        throw EIdTLSHandshakeError("TLS: cannot read the CA file " + extraCAFile + ": " +
                                   TakeSslErrorText("no certificate in it"));
    // Several records per receive call: fewer system calls on large bodies.
    SSL_CTX_set_read_ahead(context.get(), 1);
    SSL_CTX_set_default_read_buffer_len(context.get(), 64 * 1024);
    return context;
}

namespace {

struct SocketBioState {
    TIdSocketHandle* binding;
    bool peerClosed = false;
};

SocketBioState* StateOf(BIO* bio) { return static_cast<SocketBioState*>(BIO_get_data(bio)); }

int SocketRead(BIO* bio, char* buffer, int length) {
    BIO_clear_retry_flags(bio);
    SocketBioState* state = StateOf(bio);
    if (!state || !state->binding->HandleAllocated()) return -1;
    const int n = state->binding->ReceiveIfReady(buffer, length);
    if (n == 0) state->peerClosed = true;
    if (n == Id_SOCKET_ERROR && GStack()->WSGetLastError() == platform::winsock::WSAEWOULDBLOCK)
        BIO_set_retry_read(bio);
    // The end of the stream is no socket error; a would-block of an earlier try must not be taken for one.
    if (n == 0) platform::winsock::WSASetLastError(0);
    return n;
}

int SocketWrite(BIO* bio, const char* buffer, int length) {
    BIO_clear_retry_flags(bio);
    SocketBioState* state = StateOf(bio);
    if (!state || !state->binding->HandleAllocated()) return -1;
    return state->binding->Transmit(buffer, length, 0);
}

// Without the end of the stream OpenSSL takes a close for a socket error, and the last socket error is then a
// stale "would block".
long SocketControl(BIO* bio, int command, long, void*) {
    switch (command) {
    case BIO_CTRL_FLUSH: return 1;
    case BIO_CTRL_EOF: return StateOf(bio) && StateOf(bio)->peerClosed ? 1 : 0;
    default: return 0;
    }
}

int SocketCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

int SocketDestroy(BIO* bio) {
    delete StateOf(bio);
    BIO_set_data(bio, nullptr);
    return 1;
}

BIO_METHOD* SocketMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "yeroup socket");
        BIO_meth_set_read(m, SocketRead);
        BIO_meth_set_write(m, SocketWrite);
        BIO_meth_set_ctrl(m, SocketControl);
        BIO_meth_set_create(m, SocketCreate);
        BIO_meth_set_destroy(m, SocketDestroy);
        return m;
    }();
    return method;
}

std::string VerificationText(long result, const std::string& host) {
    switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED: return "the server's certificate has expired";
    case X509_V_ERR_CERT_NOT_YET_VALID: return "the server's certificate is not valid yet";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH: return "the server's certificate is not valid for the host name " + host;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT: return "the server's certificate was issued by an unknown authority";
    case X509_V_ERR_CERT_CHAIN_TOO_LONG:
        return "the server's certificate chain has more than " + std::to_string(limits::kTlsMaxChainDepth) +
               " intermediate certificates";
    case X509_V_ERR_CERT_REVOKED: return "the server's certificate has been revoked";
    default: return std::string("the server's certificate was refused: ") + X509_verify_cert_error_string(result);
    }
}

}  // namespace

BIO* NewSocketBio(TIdSocketHandle* binding) {
    auto state = std::make_unique<SocketBioState>(SocketBioState{binding});
    BIO* bio = BIO_new(SocketMethod());
    if (bio) BIO_set_data(bio, state.release());
    return bio;
}

TCertificateHost CertificateHostOf(const std::string& host) {
    TCertificateHost result{host};
    while (!result.name.empty() && result.name.back() == '.') result.name.pop_back();
    // A name never holds a colon; an IPv6 address always does.
    result.address = TIdStack::IsDottedQuad(result.name) || result.name.find(':') != std::string::npos;
    return result;
}

void ExpectPeerHost(SSL* ssl, const std::string& host) {
    const TCertificateHost expected = CertificateHostOf(host);
    // An address is checked against the certificate's IP entries and is never sent as a server name.
    if (expected.address) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), expected.name.c_str());
        return;
    }
    // The macro's own cast, spelled out.
    SSL_ctrl(ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name, const_cast<char*>(expected.name.c_str()));
    SSL_set1_host(ssl, expected.name.c_str());
    // A certificate may write the name with the root's dot.
    SSL_add1_host(ssl, (expected.name + ".").c_str());
}

bool CertificateNamesHost(const std::string& der, const std::string& host) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(der.data());
    const std::unique_ptr<X509, decltype(&X509_free)> certificate(
        d2i_X509(nullptr, &bytes, static_cast<long>(der.size())), &X509_free);
    if (!certificate) return false;
    const TCertificateHost expected = CertificateHostOf(host);
    if (expected.address) return X509_check_ip_asc(certificate.get(), expected.name.c_str(), 0) == 1;
    const std::string rooted = expected.name + ".";
    return X509_check_host(certificate.get(), expected.name.data(), expected.name.size(), kHostFlags, nullptr) == 1 ||
           X509_check_host(certificate.get(), rooted.data(), rooted.size(), kHostFlags, nullptr) == 1;
}

std::string TakeSslErrorText(const char* fallback) {
    const unsigned long error = ERR_get_error();
    ERR_clear_error();
    if (error == 0) return fallback;
    // A failed system call (a file that cannot be opened) carries the system's error number, not a reason text.
    if (ERR_SYSTEM_ERROR(error)) return std::error_code(ERR_GET_REASON(error), std::generic_category()).message();
    const char* reason = ERR_reason_error_string(error);
    return reason ? std::string(reason) : std::string(fallback);
}

void RaiseHandshakeFailure(SSL* ssl, int sslError, const std::string& host) {
    const std::string prefix = "TLS handshake with " + host + " failed: ";
    const long verification = SSL_get_verify_result(ssl);
    if (verification != X509_V_OK) {
        ERR_clear_error();
        throw EIdTLSCertificateError(prefix + VerificationText(verification, host));
    }
    if (sslError == SSL_ERROR_ZERO_RETURN || BIO_eof(SSL_get_rbio(ssl))) {
        ERR_clear_error();
        throw EIdTLSHandshakeError(prefix + "the server closed the connection");
    }
    if (sslError == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
        const int socketError = GStack()->WSGetLastError();
        throw EIdTLSHandshakeError(prefix + (socketError ? "socket error # " + std::to_string(socketError)
                                                         : std::string("the server closed the connection")));
    }
    // A plain http server answers the client's hello with text, which reads as a record of no TLS version.
    const unsigned long error = ERR_peek_error();
    if (ERR_GET_LIB(error) == ERR_LIB_SSL && ERR_GET_REASON(error) == SSL_R_WRONG_VERSION_NUMBER) {
        ERR_clear_error();
        throw EIdTLSHandshakeError(prefix + "the server does not speak TLS (a plain http server?)");
    }
    throw EIdTLSHandshakeError(prefix + TakeSslErrorText("protocol error"));
}

}  // namespace yeroup::net
