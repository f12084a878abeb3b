#include "net/IdComponent.h"

#include <memory>
#include <mutex>

#include "net/IdGlobal.h"
#include "net/IdResourceStrings.h"

namespace yeroup::net {

namespace {

std::mutex gStackLock;
std::int32_t gLiveCount = 0;
std::unique_ptr<TIdStack> gStack;
std::atomic<TIdStack*> gStackPointer{nullptr};

}  // namespace

TIdStack* GStack() { return gStackPointer.load(); }

const char* StatusTemplate(TIdStatus status) {
    switch (status) {
    case hsResolving: return RSStatusResolving;
    case hsConnecting: return RSStatusConnecting;
    case hsConnected: return RSStatusConnected;
    case hsDisconnecting: return RSStatusDisconnecting;
    case hsDisconnected: return RSStatusDisconnected;
    case hsStatusText:
    case ftpTransfer:
    case ftpReady:
    case ftpAborted: return RSStatusText;
    }
    return RSStatusText;
}

TIdComponent::TIdComponent() {
    std::lock_guard lock(gStackLock);
    if (gLiveCount == 0) {
        gStack = std::make_unique<TIdStack>();  // a failure leaves the count untouched
        gStackPointer.store(gStack.get());
    }
    ++gLiveCount;
}

TIdComponent::~TIdComponent() {
    std::lock_guard lock(gStackLock);
    if (--gLiveCount == 0) {
        gStackPointer.store(nullptr);
        gStack.reset();
    }
}

std::int32_t TIdComponent::LiveCount() {
    std::lock_guard lock(gStackLock);
    return gLiveCount;
}

void TIdComponent::NotifyStatus(TIdStatus status) { NotifyStatus(status, {}); }

void TIdComponent::NotifyStatus(TIdStatus status, const std::vector<std::string>& args) {
    if (!OnStatus) return;
    const std::string text = FormatText(StatusTemplate(status), args.empty() ? std::vector<std::string>{""} : args);
    OnStatus(this, status, text);
}

void TIdComponent::NotifyWorkBegin(TWorkMode mode, std::int32_t countMax) {
    WorkSpan& span = spans_[mode];
    if (++span.level == 1) {
        span.maximum = countMax;
        span.current = 0;
        if (OnWorkBegin) OnWorkBegin(this, mode, countMax);
    }
}

void TIdComponent::NotifyWork(TWorkMode mode, std::int32_t count) {
    WorkSpan& span = spans_[mode];
    if (span.level <= 0) return;
    // 32-bit count as the events carry it; wraps instead of overflowing past 2 GiB.
    span.current =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(span.current) + static_cast<std::uint32_t>(count));
    if (OnWork) OnWork(this, mode, span.current);
}

void TIdComponent::NotifyWorkEnd(TWorkMode mode) {
    WorkSpan& span = spans_[mode];
    if (span.level == 1 && OnWorkEnd) {
        span.level = 0;  // closed before the handler runs, so a handler that raises leaves it closed
        OnWorkEnd(this, mode);
        return;
    }
    if (span.level > 0) --span.level;
}

}  // namespace yeroup::net
