#pragma once
// Failures of the TLS transport. A handshake or certificate failure has its own class so that callers can tell
// "the host could not prove who it is" from a network failure.
#include "net/IdException.h"

namespace yeroup::net {

// A TLS failure after the handshake (a bad record, an alert from the peer).
class EIdTLSError : public EIdException {
public:
    using EIdException::EIdException;
};

// The handshake failed or the server's certificate was refused; the message says what failed.
class EIdTLSHandshakeError : public EIdTLSError {
public:
    using EIdTLSError::EIdTLSError;
};

// The server's certificate was refused (expired, issued by an unknown authority, for another name): the host
// could not prove who it is, which is no network fault.
class EIdTLSCertificateError : public EIdTLSHandshakeError {
public:
    using EIdTLSHandshakeError::EIdTLSHandshakeError;
};

}  // namespace yeroup::net
