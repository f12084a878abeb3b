#include "net/IdTCPClient.h"

#include <memory>

#include "net/IdException.h"
#include "net/IdIOHandlerSocket.h"
#include "net/IdResourceStrings.h"

namespace yeroup::net {

void TIdTCPClient::NotifyConnected() {
    if (OnConnected) OnConnected(this);
}

void TIdTCPClient::Connect(std::int32_t timeout) {
    if (IOHandler() && IOHandler()->HasSocket()) throw EIdAlreadyConnected(RSAlreadyConnected);
    if (!IOHandler()) {
        auto transport = std::make_shared<TIdIOHandlerSocket>();
        transport->OnStatus = OnStatus;
        InstallOwnedIOHandler(std::move(transport));
    }
    // Held through the connect: a handler run by the pump may disconnect and release it.
    const auto transport = HoldIOHandler();
    try {
        transport->PrepareBinding();
        ResetInput();
        // Under an overall time limit even a connect without a time-out of its own ends in time.
        const bool untimed = timeout == TimeoutUseDefault || timeout == 0;
        const std::int32_t limited = LimitedTimeout(untimed ? TimeoutNoLimit : timeout);
        if (!untimed || limited != TimeoutNoLimit) timeout = limited;
        transport->ConnectTo(Host(), Port(), BoundIP, BoundPort, BoundPortMin, BoundPortMax, timeout);
        if (Intercept()) Intercept()->Connect();
        NotifyStatus(hsConnected, {Host()});
        NotifyConnected();
    } catch (...) {
        CloseTransport();
        throw;
    }
}

std::string TIdTCPClient::ConnectAndReadAll() {
    Connect(TimeoutUseDefault);
    std::string text;
    try {
        text = ReadAllUntilClose();
    } catch (...) {
        Disconnect();
        throw;
    }
    Disconnect();
    return text;
}

}  // namespace yeroup::net
