#pragma once
// The exceptions of the internet components, each with its fixed message.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace yeroup::net {

class EIdException : public std::runtime_error {
public:
    explicit EIdException(const std::string& message) : std::runtime_error(message) {}
};

// Raised for expected ends of an operation that need no message box.
class EIdSilentException : public EIdException {
public:
    using EIdException::EIdException;
};

#define YEROUP_ID_EXCEPTION(Name, Base) \
    class Name : public Base {          \
    public:                             \
        using Base::Base;               \
    }

// Socket stack.
class EIdSocketError : public EIdException {
public:
    EIdSocketError(std::int32_t code, const std::string& message) : EIdException(message), code_(code) {}
    std::int32_t LastError() const { return code_; }

private:
    std::int32_t code_;
};
YEROUP_ID_EXCEPTION(EIdStackError, EIdException);
YEROUP_ID_EXCEPTION(EIdStackInitializationFailed, EIdStackError);
YEROUP_ID_EXCEPTION(EIdStackSetSizeExceeded, EIdStackError);
YEROUP_ID_EXCEPTION(EIdInvalidSocket, EIdException);
YEROUP_ID_EXCEPTION(EIdInvalidServiceName, EIdException);

// Socket handle and transport.
YEROUP_ID_EXCEPTION(EIdSocketHandleError, EIdException);
YEROUP_ID_EXCEPTION(EIdCouldNotBindSocket, EIdSocketHandleError);
YEROUP_ID_EXCEPTION(EIdInvalidPortRange, EIdSocketHandleError);
YEROUP_ID_EXCEPTION(EIdCanNotBindPortInRange, EIdSocketHandleError);
YEROUP_ID_EXCEPTION(EIdConnectTimeout, EIdException);
YEROUP_ID_EXCEPTION(EIdConnectException, EIdException);
YEROUP_ID_EXCEPTION(EIdClosedSocket, EIdException);

// Connection.
YEROUP_ID_EXCEPTION(EIdConnClosedGracefully, EIdSilentException);
YEROUP_ID_EXCEPTION(EIdTCPConnectionError, EIdException);
YEROUP_ID_EXCEPTION(EIdNotConnected, EIdTCPConnectionError);
YEROUP_ID_EXCEPTION(EIdNotEnoughDataInBuffer, EIdTCPConnectionError);
YEROUP_ID_EXCEPTION(EIdNoDataToRead, EIdTCPConnectionError);
YEROUP_ID_EXCEPTION(EIdFileNotFound, EIdTCPConnectionError);
YEROUP_ID_EXCEPTION(EIdAlreadyConnected, EIdException);
YEROUP_ID_EXCEPTION(EIdReadTimeout, EIdException);
// The overall time limit of an operation passed, however steadily the peer trickled.
YEROUP_ID_EXCEPTION(EIdTimeLimitExceeded, EIdReadTimeout);
YEROUP_ID_EXCEPTION(EIdReadLnMaxLineLengthExceeded, EIdException);

#undef YEROUP_ID_EXCEPTION

}  // namespace yeroup::net
