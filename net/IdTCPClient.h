#pragma once
// A connection that dials a host and port itself.
#include <cstdint>
#include <string>

#include "net/IdTCPConnection.h"

namespace yeroup::net {

class TIdTCPClient : public TIdTCPConnection {
public:
    TIdTCPClient() = default;

    const std::string& Host() const { return host_; }
    virtual void SetHost(const std::string& host) { host_ = host; }
    std::int32_t Port() const { return port_; }
    virtual void SetPort(std::int32_t port) { port_ = port; }

    std::string BoundIP;
    std::int32_t BoundPort = 0;
    std::int32_t BoundPortMin = 0;
    std::int32_t BoundPortMax = 0;
    TIdNotifyEvent OnConnected;

    virtual void NotifyConnected();
    // Creates a socket transport when none is set; a failure closes it and propagates.
    virtual void Connect(std::int32_t timeout = TimeoutUseDefault);
    virtual std::string ConnectAndReadAll();

private:
    std::string host_;
    std::int32_t port_ = 0;
};

}  // namespace yeroup::net
