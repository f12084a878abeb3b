#include "net/tls/TlsContext.h"

#include <openssl/err.h>
#include <openssl/x509_vfy.h>

#include <system_error>

#include "net/IdComponent.h"
#include "net/IdGlobal.h"
#include "net/IdSocketHandle.h"
#include "net/IdStack.h"
#include "net/Limits.h"
#include "net/tls/IdSSLExceptions.h"

namespace yeroup::net {

SslCtxPtr MakeClientContext(const std::string& extraCAFile) {
    SslCtxPtr context(SSL_CTX_new(TLS_client_method()));
    if (!context) throw EIdTLSHandshakeError(TakeSslErrorText("cannot create a TLS context"));
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    // A peer that closes without its close alert ends the stream like a close; HTTP framing tells a cut body.
    SSL_CTX_set_options(context.get(), SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_verify_depth(context.get(), limits::kTlsMaxChainDepth);
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

TIdSocketHandle* BindingOf(BIO* bio) { return static_cast<TIdSocketHandle*>(BIO_get_data(bio)); }

int SocketRead(BIO* bio, char* buffer, int length) {
    BIO_clear_retry_flags(bio);
    TIdSocketHandle* binding = BindingOf(bio);
    if (!binding || !binding->HandleAllocated()) return -1;
    const int n = binding->ReceiveIfReady(buffer, length);
    if (n == Id_SOCKET_ERROR && GStack()->WSGetLastError() == platform::winsock::WSAEWOULDBLOCK)
        BIO_set_retry_read(bio);
    // The end of the stream is no socket error; a would-block of an earlier try must not be taken for one.
    if (n == 0) platform::winsock::WSASetLastError(0);
    return n;
}

int SocketWrite(BIO* bio, const char* buffer, int length) {
    BIO_clear_retry_flags(bio);
    TIdSocketHandle* binding = BindingOf(bio);
    if (!binding || !binding->HandleAllocated()) return -1;
    return binding->Transmit(buffer, length, 0);
}

long SocketControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

int SocketCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD* SocketMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "yeroup socket");
        BIO_meth_set_read(m, SocketRead);
        BIO_meth_set_write(m, SocketWrite);
        BIO_meth_set_ctrl(m, SocketControl);
        BIO_meth_set_create(m, SocketCreate);
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
    BIO* bio = BIO_new(SocketMethod());
    if (bio) BIO_set_data(bio, binding);
    return bio;
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

std::string HandshakeFailureText(SSL* ssl, int sslError, const std::string& host) {
    const std::string prefix = "TLS handshake with " + host + " failed: ";
    const long verification = SSL_get_verify_result(ssl);
    if (verification != X509_V_OK) {
        ERR_clear_error();
        return prefix + VerificationText(verification, host);
    }
    if (sslError == SSL_ERROR_ZERO_RETURN) return prefix + "the server closed the connection";
    if (sslError == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
        const int socketError = GStack()->WSGetLastError();
        ERR_clear_error();
        return prefix + (socketError ? "socket error # " + std::to_string(socketError)
                                     : std::string("the server closed the connection"));
    }
    return prefix + TakeSslErrorText("protocol error");
}

}  // namespace yeroup::net
