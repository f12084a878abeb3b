// Connection lifetime: the transport it holds, closing and the closure checks.
#include "net/IdTCPConnection.h"

#include <algorithm>
#include <climits>

#include "net/IdException.h"
#include "net/IdResourceStrings.h"

namespace yeroup::net {

TIdTCPConnection::TIdTCPConnection() {
    inputBuffer_.OnBytesRemoved = [this](TIdSimpleBuffer*, std::int32_t count) { NotifyWork(wmRead, count); };
}

TIdTCPConnection::~TIdTCPConnection() {
    // A derived connection has already been torn down here: this class's own close is the one that runs.
    TIdTCPConnection::CloseTransport();
    ReleaseIOHandler();
}

void TIdTCPConnection::SetIOHandler(TIdIOHandler* handler) {
    if (handler == ioHandler_.get()) return;
    ReleaseIOHandler();
    if (!handler) return;
    // Borrowed: never freed here, and forgotten when it is destroyed elsewhere.
    ioHandler_ = std::shared_ptr<TIdIOHandler>(handler, [](TIdIOHandler*) {});
    handler->FreeNotification(this);
}

void TIdTCPConnection::InstallOwnedIOHandler(std::shared_ptr<TIdIOHandler> handler) {
    ReleaseIOHandler();
    ioHandler_ = std::move(handler);
    freeOnDisconnect_ = true;
}

void TIdTCPConnection::ReleaseIOHandler() {
    if (!ioHandler_) return;
    if (!freeOnDisconnect_) ioHandler_->RemoveFreeNotification(this);
    // An owned transport that a wait still holds is destroyed when that wait unwinds.
    ioHandler_.reset();
    freeOnDisconnect_ = false;
}

void TIdTCPConnection::SetIntercept(TIdConnectionIntercept* intercept) {
    if (intercept_) intercept_->RemoveFreeNotification(this);
    intercept_ = intercept;
    if (intercept_) intercept_->FreeNotification(this);
}

void TIdTCPConnection::Notification(TIdBaseComponent* destroyed) {
    if (destroyed == intercept_) intercept_ = nullptr;
    if (ioHandler_ && destroyed == ioHandler_.get()) {
        ioHandler_.reset();
        freeOnDisconnect_ = false;
    }
    TIdComponent::Notification(destroyed);
}

void TIdTCPConnection::NotifyDisconnected() {
    if (OnDisconnected) OnDisconnected(this);
}

void TIdTCPConnection::ResetInput() {
    inputBuffer_.DropAll();
    closed_ = false;
}

void TIdTCPConnection::CloseTransport() {
    const auto transport = ioHandler_;
    if (!transport) return;
    closed_ = true;
    if (intercept_) intercept_->Disconnect();
    transport->CloseBinding();
}

void TIdTCPConnection::Disconnect() {
    NotifyStatus(hsDisconnecting);
    CloseTransport();
    if (freeOnDisconnect_) ReleaseIOHandler();
    NotifyDisconnected();
    NotifyStatus(hsDisconnected);
}

void TIdTCPConnection::CheckClosed(bool raiseIfClosed, bool ignoreBuffer) {
    const auto transport = ioHandler_;
    bool closed;
    if (closed_ || !transport) {
        closed = transport != nullptr;  // with no transport at all it does not count as closed here
        if (transport && transport->HasSocket()) {
            CloseTransport();
            NotifyStatus(hsDisconnected);
            NotifyDisconnected();
        }
    } else {
        closed = !transport->HasSocket();
    }
    if (closed && raiseIfClosed && (inputBuffer_.Size() == 0 || ignoreBuffer))
        throw EIdConnClosedGracefully(RSConnectionClosedGracefully);
}

bool TIdTCPConnection::IsConnected() {
    CheckClosed(/*raiseIfClosed=*/false, /*ignoreBuffer=*/false);
    return ioHandler_ && ioHandler_->HasSocket();
}

void TIdTCPConnection::SetTimeLimit(std::int32_t milliseconds) {
    timeLimit_ = std::max<std::int32_t>(milliseconds, 0);
    if (timeLimit_ == 0)
        timeLimitEnd_.reset();
    else
        timeLimitEnd_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimit_);
}

std::int32_t TIdTCPConnection::LimitedTimeout(std::int32_t timeout) const {
    if (!timeLimitEnd_) return timeout;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*timeLimitEnd_ - std::chrono::steady_clock::now());
    if (left.count() <= 0) throw EIdTimeLimitExceeded(FormatNumbers(RSTimeLimitExceeded, {timeLimit_}));
    const auto remaining = static_cast<std::int32_t>(std::min<std::int64_t>(left.count(), INT32_MAX));
    return timeout == TimeoutNoLimit || timeout > remaining ? remaining : timeout;
}

void TIdTCPConnection::ProbeForClose(bool raiseIfClosed) {
    FillInputBuffer(raiseIfClosed, 1, /*raiseOnTimeout=*/false);
}

}  // namespace yeroup::net
