#pragma once
// The abstract transport under a connection: open, connect, wait for data, receive, send, close.
#include <cstdint>
#include <string>

#include "net/IdComponent.h"

namespace yeroup::net {

class TIdIOHandler : public TIdComponent {
public:
    TIdIOHandler() = default;
    // A derived transport closes its socket in its own destructor (it owns the binding).
    ~TIdIOHandler() override = default;

    virtual void OnAccepted() {}
    virtual void CloseBinding() {}
    virtual void ConnectTo(const std::string& host, std::int32_t port, const std::string& boundIP,
                           std::int32_t boundPort, std::int32_t boundPortMin, std::int32_t boundPortMax,
                           std::int32_t timeout) {
        (void)host, (void)port, (void)boundIP, (void)boundPort, (void)boundPortMin, (void)boundPortMax, (void)timeout;
    }
    virtual bool HasSocket() = 0;
    virtual void PrepareBinding() {}
    // True when data (or a close) is readable within the time-out (ms or TimeoutNoLimit).
    virtual bool WaitReadable(std::int32_t timeout) = 0;
    // The receive call's raw result: bytes, 0 on a peer close, -1 on error.
    virtual int Receive(void* buffer, int length) = 0;
    // Receive without waiting: NotReady when nothing is queued yet (or the transport cannot tell,
    // so the caller waits first), else what Receive would have returned.
    static constexpr int NotReady = -2;
    virtual int ReceiveIfReady(void* buffer, int length) {
        (void)buffer, (void)length;
        return NotReady;
    }
    virtual int Transmit(const void* buffer, int length) = 0;
};

}  // namespace yeroup::net
