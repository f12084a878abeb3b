#include "net/tls/IdSSLIOHandlerSocket.h"

#include <chrono>

#include <openssl/err.h>

#include "net/IdComponent.h"
#include "net/IdException.h"
#include "net/IdGlobal.h"
#include "net/IdResourceStrings.h"
#include "net/IdStack.h"
#include "net/Limits.h"
#include "net/tls/IdSSLExceptions.h"
#include "net/tls/TlsContext.h"

namespace yeroup::net {

namespace {

using Clock = std::chrono::steady_clock;

// What one non-blocking OpenSSL call came to.
enum class Outcome { Data, NeedMore, Closed, SocketFailed, Failed };

Outcome Classify(SSL* ssl, int result) {
    if (result > 0) return Outcome::Data;
    switch (SSL_get_error(ssl, result)) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE: return Outcome::NeedMore;
    case SSL_ERROR_ZERO_RETURN: return Outcome::Closed;
    case SSL_ERROR_SYSCALL: return ERR_peek_error() == 0 ? Outcome::SocketFailed : Outcome::Failed;
    default: return Outcome::Failed;
    }
}

// Milliseconds left until deadline for a wait of timeout (TimeoutNoLimit stays so), at least 0.
std::int32_t Remaining(std::int32_t timeout, Clock::time_point deadline) {
    if (timeout == TimeoutNoLimit) return TimeoutNoLimit;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<std::int32_t>(left) : 0;
}

}  // namespace

// One TLS session over the transport's socket. It outlives a Disconnect made from a message handler inside a
// wait, so the wait can unwind; the next connect replaces it.
class TIdSSLIOHandlerSocket::Session {
public:
    Session(SSL_CTX* context, TIdSocketHandle* binding, const std::string& host) : ssl(SSL_new(context)) {
        if (!ssl) throw EIdTLSHandshakeError(TakeSslErrorText("cannot create a TLS session"));
        BIO* bio = NewSocketBio(binding);
        if (!bio) throw EIdTLSHandshakeError(TakeSslErrorText("cannot create a TLS session"));
        SSL_set_bio(ssl.get(), bio, bio);
        SSL_set_connect_state(ssl.get());
        ExpectPeerHost(ssl.get(), host);
    }

    SslPtr ssl;
    bool established = false;
    Outcome ended = Outcome::Data;  // Closed or Failed once the stream has ended that way
    std::string failure;            // the text of a Failed ending, raised by the next receive
};

TIdSSLIOHandlerSocket::TIdSSLIOHandlerSocket() : HandshakeTimeout(limits::kTlsHandshakeTimeout) {}

TIdSSLIOHandlerSocket::~TIdSSLIOHandlerSocket() = default;

bool TIdSSLIOHandlerSocket::Encrypting() const {
    return !passThrough_ && session_ && session_->established && const_cast<TIdSSLIOHandlerSocket*>(this)->HasSocket();
}

void TIdSSLIOHandlerSocket::SetPassThrough(bool value) {
    if (value == passThrough_) return;
    passThrough_ = value;
    if (passThrough_) {
        // Clear text must never follow records on the same connection.
        if (session_ && HasSocket()) CloseBinding();
        session_.reset();
    } else if (HasSocket()) {
        StartTLS();
    }
}

std::string TIdSSLIOHandlerSocket::VerifiedHostName() const { return URIHost.empty() ? dialledHost_ : URIHost; }

void TIdSSLIOHandlerSocket::CloseBinding() { TIdIOHandlerSocket::CloseBinding(); }

void TIdSSLIOHandlerSocket::ConnectTo(const std::string& host, std::int32_t port, const std::string& boundIP,
                                      std::int32_t boundPort, std::int32_t boundPortMin, std::int32_t boundPortMax,
                                      std::int32_t timeout) {
    session_.reset();
    dialledHost_ = host;
    TIdIOHandlerSocket::ConnectTo(host, port, boundIP, boundPort, boundPortMin, boundPortMax, timeout);
    if (!passThrough_) StartTLS();
}

void TIdSSLIOHandlerSocket::StartTLS() {
    const std::string host = VerifiedHostName();
    if (!context_ || context_->CAFile != ExtraCAFile) context_ = std::make_unique<TlsClientContext>(ExtraCAFile);
    session_ = std::make_unique<Session>(context_->Context.get(), Binding(), host);
    SSL* ssl = session_->ssl.get();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(HandshakeTimeout);
    for (;;) {
        const int result = SSL_do_handshake(ssl);
        if (result == 1) break;
        const int error = SSL_get_error(ssl, result);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE) RaiseHandshakeFailure(ssl, error, host);
        const std::int32_t left = Remaining(HandshakeTimeout, deadline);
        if (left == 0 || !TIdIOHandlerSocket::WaitReadable(left))
            throw EIdTLSHandshakeError("TLS handshake with " + host + " failed: the server did not answer within " +
                                       std::to_string(HandshakeTimeout) + " ms");
    }
    session_->established = true;
}

bool TIdSSLIOHandlerSocket::WaitReadable(std::int32_t timeout) {
    if (passThrough_ || !session_) return TIdIOHandlerSocket::WaitReadable(timeout);
    Session& session = *session_;
    SSL* ssl = session.ssl.get();
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(timeout == TimeoutNoLimit ? 0 : timeout);
    for (bool waited = false;;) {
        // Closed under the wait (a Disconnect from a message handler): ends as the socket transport's wait does.
        if (!HasSocket()) return TIdIOHandlerSocket::WaitReadable(timeout);
        if (session.ended != Outcome::Data || SSL_pending(ssl) > 0) return true;
        // Decrypt whatever has arrived; a record may come in several pieces.
        char probe;
        const Outcome outcome = Classify(ssl, SSL_peek(ssl, &probe, 1));
        if (outcome == Outcome::Data || outcome == Outcome::SocketFailed) return true;
        if (outcome == Outcome::Closed || outcome == Outcome::Failed) {
            session.ended = outcome;
            if (outcome == Outcome::Failed) session.failure = "TLS error: " + TakeSslErrorText("protocol error");
            return true;
        }
        const std::int32_t left = Remaining(timeout, deadline);
        if (waited && left == 0) return false;
        if (!TIdIOHandlerSocket::WaitReadable(left)) return false;
        waited = true;
    }
}

int TIdSSLIOHandlerSocket::ReceiveIfReady(void* buffer, int length) {
    if (passThrough_ || !session_) return TIdIOHandlerSocket::ReceiveIfReady(buffer, length);
    if (!HasSocket()) return NotReady;
    Session& session = *session_;
    if (session.ended == Outcome::Closed) return 0;
    if (session.ended == Outcome::Failed) throw EIdTLSError(session.failure);
    const int n = SSL_read(session.ssl.get(), buffer, length);
    switch (Classify(session.ssl.get(), n)) {
    case Outcome::Data: return n;
    case Outcome::NeedMore: return NotReady;
    case Outcome::Closed: session.ended = Outcome::Closed; return 0;
    case Outcome::SocketFailed: return Id_SOCKET_ERROR;
    case Outcome::Failed: break;
    }
    session.ended = Outcome::Failed;
    session.failure = "TLS error: " + TakeSslErrorText("protocol error");
    throw EIdTLSError(session.failure);
}

int TIdSSLIOHandlerSocket::Receive(void* buffer, int length) {
    if (passThrough_ || !session_) return TIdIOHandlerSocket::Receive(buffer, length);
    if (!HasSocket()) throw EIdClosedSocket(RSStatusDisconnectedSocket);
    for (;;) {
        const int n = ReceiveIfReady(buffer, length);
        if (n != NotReady) return n;
        // Called without a wait first: block until a whole record is here.
        WaitReadable(TimeoutNoLimit);
    }
}

int TIdSSLIOHandlerSocket::Transmit(const void* buffer, int length) {
    if (passThrough_ || !session_) return TIdIOHandlerSocket::Transmit(buffer, length);
    if (!HasSocket()) throw EIdClosedSocket(RSStatusDisconnectedSocket);
    SSL* ssl = session_->ssl.get();
    for (;;) {
        const int n = SSL_write(ssl, buffer, length);
        switch (Classify(ssl, n)) {
        case Outcome::Data: return n;
        case Outcome::NeedMore: TIdIOHandlerSocket::WaitReadable(TimeoutNoLimit); continue;
        case Outcome::Closed: return 0;
        case Outcome::SocketFailed: return Id_SOCKET_ERROR;
        case Outcome::Failed: throw EIdTLSError("TLS error: " + TakeSslErrorText("protocol error"));
        }
    }
}

}  // namespace yeroup::net
