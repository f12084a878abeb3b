#include "net/IdAntiFreeze.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/threads/MainThread.h"
#include "tests/net/support/FakeMessagePump.h"

namespace yeroup::net {
namespace {

using test::FakeMessagePump;

TEST(IdAntiFreeze, TheNewestInstanceGovernsAndAnyDestructionClearsIt) {
    FakeMessagePump pump;
    EXPECT_EQ(TIdAntiFreezeBase::Current(), nullptr);
    EXPECT_FALSE(TIdAntiFreezeBase::InEffect());
    auto first = std::make_unique<TIdAntiFreeze>(pump);
    {
        TIdAntiFreeze second(pump);
        EXPECT_EQ(TIdAntiFreezeBase::Current(), &second);
        first.reset();
        EXPECT_EQ(TIdAntiFreezeBase::Current(), nullptr);
        EXPECT_FALSE(TIdAntiFreezeBase::InEffect());
    }
    TIdAntiFreeze third(pump);
    TIdAntiFreeze fourth(pump);
    EXPECT_EQ(TIdAntiFreezeBase::Current(), &fourth);
}

TEST(IdAntiFreeze, DefaultsAndInEffectNeedActiveAndTheMainThread) {
    FakeMessagePump pump;
    TIdAntiFreeze af(pump);
    EXPECT_TRUE(af.Active);
    EXPECT_TRUE(af.ApplicationHasPriority);
    EXPECT_EQ(af.IdleTimeOut, 250);
    EXPECT_TRUE(af.OnlyWhenIdle);
    EXPECT_TRUE(TIdAntiFreezeBase::InEffect());
    af.Active = false;
    EXPECT_FALSE(TIdAntiFreezeBase::InEffect());
    af.Active = true;
    {
        std::thread other([] {});
        const auto otherId = other.get_id();
        other.join();
        platform::ScopedMainThread elsewhere(otherId);
        EXPECT_FALSE(TIdAntiFreezeBase::InEffect());
        TIdAntiFreezeBase::PumpIfDue(true, true);
    }
    EXPECT_EQ(pump.Pumps(), 0);
    bool fromWorker = true;
    std::thread([&] { fromWorker = TIdAntiFreezeBase::InEffect(); }).join();
    EXPECT_FALSE(fromWorker);
}

TEST(IdAntiFreeze, PumpIfDueFollowsIdleOnlyWhenIdleAndForce) {
    FakeMessagePump pump;
    TIdAntiFreeze af(pump);
    TIdAntiFreezeBase::PumpIfDue(false);
    EXPECT_EQ(pump.processAllCalls, 0);
    TIdAntiFreezeBase::PumpIfDue(true);
    EXPECT_EQ(pump.processAllCalls, 1);
    TIdAntiFreezeBase::PumpIfDue(false, true);
    EXPECT_EQ(pump.processAllCalls, 2);
    af.OnlyWhenIdle = false;
    TIdAntiFreezeBase::PumpIfDue(false);
    EXPECT_EQ(pump.processAllCalls, 3);
    af.Active = false;
    TIdAntiFreezeBase::PumpIfDue(true, true);
    EXPECT_EQ(pump.processAllCalls, 3);
}

TEST(IdAntiFreeze, WithoutPriorityAPumpHandlesAtMostOneQueuedMessage) {
    FakeMessagePump pump;
    TIdAntiFreeze af(pump);
    af.ApplicationHasPriority = false;
    af.PumpMessages();  // empty queue: returns at once
    EXPECT_EQ(pump.hasPendingCalls, 1);
    EXPECT_EQ(pump.handleOneCalls, 0);
    pump.pending = 3;
    af.PumpMessages();
    EXPECT_EQ(pump.handleOneCalls, 1);
    EXPECT_EQ(pump.pending, 2);
    EXPECT_EQ(pump.processAllCalls, 0);
}

}  // namespace
}  // namespace yeroup::net
