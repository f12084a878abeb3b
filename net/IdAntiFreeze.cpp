#include "net/IdAntiFreeze.h"

#include "platform/threads/MainThread.h"

namespace yeroup::net {

namespace {
TIdAntiFreezeBase* gAntiFreeze = nullptr;
}  // namespace

TIdAntiFreezeBase::TIdAntiFreezeBase() { gAntiFreeze = this; }

TIdAntiFreezeBase::~TIdAntiFreezeBase() { gAntiFreeze = nullptr; }

TIdAntiFreezeBase* TIdAntiFreezeBase::Current() { return gAntiFreeze; }

bool TIdAntiFreezeBase::InEffect() { return gAntiFreeze && platform::IsMainThread() && gAntiFreeze->Active; }

void TIdAntiFreezeBase::PumpIfDue(bool idle, bool force) {
    if (!InEffect()) return;
    if ((idle || !gAntiFreeze->OnlyWhenIdle || force) && gAntiFreeze->Active) gAntiFreeze->PumpMessages();
}

std::optional<bool> TIdAntiFreezeBase::WaitThroughPump(platform::winsock::TSocket socket, std::int32_t ms) {
    if (!InEffect()) return std::nullopt;
    return gAntiFreeze->PumpWaitReadable(socket, ms);
}

void TIdAntiFreeze::PumpMessages() {
    if (ApplicationHasPriority) {
        pump_.ProcessAllPending();
        return;
    }
    if (pump_.HasPending()) pump_.HandleOne();
}

}  // namespace yeroup::net
