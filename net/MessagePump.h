#pragma once
// The window system's side of the anti-freeze: the application implements it over its event loop.

namespace yeroup::net {

class IMessagePump {  // the window system's side of the anti-freeze
public:
    virtual ~IMessagePump() = default;
    virtual void ProcessAllPending() = 0;  // process every pending window message of this thread
    virtual bool HasPending() = 0;         // peek, without removing, whether any message is queued
    virtual void HandleOne() = 0;          // handle exactly one message
};

}  // namespace yeroup::net
