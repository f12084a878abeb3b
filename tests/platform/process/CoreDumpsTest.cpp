// A process that holds a secret leaves no core file: checked in a child, since the setting lasts its life.
#include "platform/process/CoreDumps.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

namespace yeroup::platform {
namespace {

TEST(CoreDumps, ForbiddenForTheRestOfTheProcessAndNoCoreOnACrash) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit core{};
        const bool forbidden = ForbidCoreDumps() && ::prctl(PR_GET_DUMPABLE) == 0 &&
                               ::getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_cur == 0 && core.rlim_max == 0;
        if (!forbidden) ::_exit(1);
        ::raise(SIGABRT);  // a signal that dumps core by default
        ::_exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
    EXPECT_FALSE(WCOREDUMP(status));
}

}  // namespace
}  // namespace yeroup::platform
