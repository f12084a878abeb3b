#include "platform/process/NamedMutex.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "tests/support/ScratchFolder.h"

using namespace yeroup::platform;
using yeroup::test::ScratchFolder;

TEST(NamedMutex, SecondHolderSeesTheFirstUntilItIsGone) {
    ScratchFolder dir;
    auto first = std::make_unique<TNamedMutex>("RunOnlyOnce_Tavik", dir.Path());
    EXPECT_FALSE(first->AlreadyExisted());
    EXPECT_TRUE(TNamedMutex("RunOnlyOnce_Tavik", dir.Path()).AlreadyExisted());
    EXPECT_FALSE(TNamedMutex("OtherName", dir.Path()).AlreadyExisted());
    first.reset();
    EXPECT_FALSE(TNamedMutex("RunOnlyOnce_Tavik", dir.Path()).AlreadyExisted());
}

TEST(NamedMutex, HeldAcrossProcessesAndDroppedWhenTheHolderDies) {
    ScratchFolder dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TNamedMutex held("RunOnlyOnce_Tavik", dir.Path());
        char c = held.AlreadyExisted() ? 'n' : 'y';
        [[maybe_unused]] auto n = ::write(ready[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    EXPECT_TRUE(TNamedMutex("RunOnlyOnce_Tavik", dir.Path()).AlreadyExisted());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(TNamedMutex("RunOnlyOnce_Tavik", dir.Path()).AlreadyExisted());
    ::close(ready[0]);
    ::close(ready[1]);
}
