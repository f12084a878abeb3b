#pragma once
// An optional filter between a connection and its transport: told of connect and disconnect,
// it may rewrite every received and every outgoing block. Intercepts can be chained; the chained
// one sits nearer the wire (it sees received blocks first and outgoing blocks last).
#include <functional>

#include "net/IdBaseComponent.h"
#include "platform/streams/Stream.h"

namespace yeroup::net {

class TIdConnectionIntercept;

using TIdInterceptNotifyEvent = std::function<void(TIdConnectionIntercept* Sender)>;
using TIdInterceptStreamEvent = std::function<void(TIdConnectionIntercept* Sender, platform::TStream& ABuffer)>;

class TIdConnectionIntercept : public TIdBaseComponent {
public:
    TIdConnectionIntercept() = default;

    TIdInterceptNotifyEvent OnConnect;
    TIdInterceptNotifyEvent OnDisconnect;
    TIdInterceptStreamEvent OnReceive;
    TIdInterceptStreamEvent OnSend;

    // The further intercept (borrowed, forgotten when destroyed).
    TIdConnectionIntercept* Intercept() const { return next_; }
    void SetIntercept(TIdConnectionIntercept* next);

    virtual void Connect();
    virtual void Disconnect();
    // The buffer is rewound after the handlers; its size is the block's new size.
    virtual void Receive(platform::TStream& buffer);
    virtual void Send(platform::TStream& buffer);

protected:
    void Notification(TIdBaseComponent* destroyed) override;

private:
    TIdConnectionIntercept* next_ = nullptr;
};

}  // namespace yeroup::net
