#include "platform/threads/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/threads/MainThread.h"

namespace yeroup::platform {
namespace {

class Worker : public TThread {
public:
    ~Worker() override { WaitFor(); }
    std::atomic<int> runs{0};
    std::atomic<bool> sawMain{true};

protected:
    void Execute() override {
        ++runs;
        sawMain = IsMainThread();
        Terminate();
    }
};

TEST(Thread, CreatedSuspendedRunsOnceWhenStartedAndSetsItsFlag) {
    Worker worker;
    Sleep(20);
    EXPECT_EQ(worker.runs, 0);
    EXPECT_FALSE(worker.Terminated());
    worker.Start();
    worker.Start();  // a second start does nothing
    worker.WaitFor();
    EXPECT_EQ(worker.runs, 1);
    EXPECT_TRUE(worker.Terminated());
    EXPECT_FALSE(worker.sawMain);
}

TEST(MainThread, TheStartingThreadIsMainAndATestCanStandInForIt) {
    EXPECT_TRUE(IsMainThread());
    Worker worker;
    worker.Start();
    worker.WaitFor();
    const ThreadId me = CurrentThreadId();
    {
        std::thread other([] {});
        const ThreadId otherId = other.get_id();
        other.join();
        ScopedMainThread stand(otherId);
        EXPECT_FALSE(IsMainThread());
        EXPECT_EQ(MainThreadId(), otherId);
    }
    EXPECT_EQ(MainThreadId(), me);
    EXPECT_TRUE(IsMainThread());
}

}  // namespace
}  // namespace yeroup::platform
