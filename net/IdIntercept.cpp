#include "net/IdIntercept.h"

namespace yeroup::net {

void TIdConnectionIntercept::SetIntercept(TIdConnectionIntercept* next) {
    if (next == this) return;
    if (next_) next_->RemoveFreeNotification(this);
    next_ = next;
    if (next_) next_->FreeNotification(this);
}

void TIdConnectionIntercept::Notification(TIdBaseComponent* destroyed) {
    if (destroyed == next_) next_ = nullptr;
}

void TIdConnectionIntercept::Connect() {
    if (next_) next_->Connect();
    if (OnConnect) OnConnect(this);
}

void TIdConnectionIntercept::Disconnect() {
    if (OnDisconnect) OnDisconnect(this);
    if (next_) next_->Disconnect();
}

void TIdConnectionIntercept::Receive(platform::TStream& buffer) {
    if (next_) next_->Receive(buffer);
    if (OnReceive) OnReceive(this, buffer);
    buffer.SetPosition(0);
}

void TIdConnectionIntercept::Send(platform::TStream& buffer) {
    if (OnSend) OnSend(this, buffer);
    buffer.SetPosition(0);
    if (next_) next_->Send(buffer);
}

}  // namespace yeroup::net
