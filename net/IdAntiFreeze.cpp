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

void TIdAntiFreeze::PumpMessages() {
    if (ApplicationHasPriority) {
        pump_.ProcessAllPending();
        return;
    }
    if (pump_.HasPending()) pump_.HandleOne();
}

}  // namespace yeroup::net
