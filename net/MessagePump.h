#pragma once
// The window system's side of the anti-freeze: the application implements it over its event loop.
#include <cstdint>
#include <optional>

#include "platform/sockets/WinSock.h"

namespace yeroup::net {

class IMessagePump {  // the window system's side of the anti-freeze
public:
    virtual ~IMessagePump() = default;
    virtual void ProcessAllPending() = 0;  // process every pending window message of this thread
    virtual bool HasPending() = 0;         // peek, without removing, whether any message is queued
    virtual void HandleOne() = 0;          // handle exactly one message
    // Handles the window messages as they come until the socket can be read (or was closed by one of them) or ms
    // have passed (negative: no limit); whether it can be read. A socket readable at once is answered at once,
    // with the pending messages handled. A pump whose event loop cannot watch a socket answers nothing, and the
    // anti-freeze waits in slices with a pump after each.
    virtual std::optional<bool> WaitReadable(platform::winsock::TSocket /*socket*/, std::int32_t /*ms*/) {
        return std::nullopt;
    }
};

}  // namespace yeroup::net
