#pragma once
// Failures raised by the HTTP request transaction itself.
#include <cstdint>
#include <string>
#include <utility>

#include "net/IdException.h"
#include "net/IdRFCReply.h"

namespace yeroup::http {

// A status that is neither success nor handled; the message is the status line as received.
class EIdHTTPProtocolException : public net::EIdProtocolReplyError {
public:
    EIdHTTPProtocolException(std::int32_t errorCode, const std::string& statusLine, std::string errorBody)
        : net::EIdProtocolReplyError(errorCode, statusLine), errorBody_(std::move(errorBody)) {}
    std::int32_t ErrorCode() const { return ReplyErrorCode(); }
    const std::string& ErrorBody() const { return errorBody_; }

private:
    std::string errorBody_;
};

// The proxy answered a CONNECT with anything but 200: the tunnel to the origin was refused by the proxy itself.
class EIdHTTPTunnelRefused : public EIdHTTPProtocolException {
public:
    using EIdHTTPProtocolException::EIdHTTPProtocolException;
};

// A URL scheme other than http or https with no port given.
class EIdUnknownProtocol : public net::EIdException {
public:
    EIdUnknownProtocol() : net::EIdException("") {}
};

// An https address without a TLS transport.
class EIdIOHandlerPropInvalid : public net::EIdException {
public:
    EIdIOHandlerPropInvalid() : net::EIdException("IOHandler value is not valid") {}
};

// A response head passes the header block bounds (bytes or lines).
class EIdHTTPHeaderTooLarge : public net::EIdException {
public:
    using net::EIdException::EIdException;
};

// A response body, announced or as it comes, passes what the client may hold.
class EIdHTTPBodyTooLarge : public net::EIdException {
public:
    using net::EIdException::EIdException;
};

// A response whose length cannot be told safely: a malformed or conflicting Content-Length, a chunk size that
// cannot be read, chunk data without its line end.
class EIdHTTPFramingError : public net::EIdException {
public:
    using net::EIdException::EIdException;
};

// A redirect that would leave the web (file:, data:, javascript: ...) or go from TLS back to clear text.
class EIdHTTPRedirectRefused : public net::EIdException {
public:
    using net::EIdException::EIdException;
};

// Redirects were to be followed, but the call reached RedirectMaximum.
class EIdHTTPTooManyRedirects : public net::EIdException {
public:
    using net::EIdException::EIdException;
};

}  // namespace yeroup::http
