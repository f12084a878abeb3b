// A child process upgrading is killed at many points, as a power cut or kill -9 would stop it; after the
// recovery of the next start the install folder holds the whole old set or the whole new one.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "app/upgrade/PackageUpgrade.h"
#include "app/upgrade/StartupRecovery.h"
#include "app/upgrade/UpgradeJournal.h"
#include "tests/app/upgrade/UpgradeSnapshot.h"
#include "tests/zip/ZipTestSupport.h"

namespace yeroup::app::upgrade {
namespace {

namespace fs = std::filesystem;
using namespace yeroup::test;

// Bounds the run: this many kill points, spread over every step of the upgrade.
constexpr long kKillPoints = 40;

struct TChild {
    int status = 0;
    long steps = 0;
    int outcome = -1;  // of an upgrade run to its end
    int error = -1;
};

// prefix: a shell command line the child runs at the end of, when it must run in surroundings of its own.
TChild RunChild(const std::string& arguments, const std::string& prefix = "exec") {
    const std::string command =
        prefix + " " + std::string(YEROUP_UPGRADE_KILL_CHILD) + " " + arguments + " 2>/dev/null";
    FILE* out = ::popen(command.c_str(), "r");
    TChild child;
    if (std::fscanf(out, "%ld %d %d", &child.steps, &child.outcome, &child.error) < 1) child.steps = -1;
    child.status = ::pclose(out);
    return child;
}

bool Killed(const TChild& child) { return WIFSIGNALED(child.status) && WTERMSIG(child.status) == SIGKILL; }

TEST(UpgradeKill, KilledAtAnyStepTheNextStartLeavesTheOldOrTheNewSet) {
    ScratchFolder dir;
    const fs::path install = dir.Path() / "player", store = dir.Path() / "FirmwareBack";
    const fs::path package = store / "A_1.0.zip";
    MakeOldInstall(install);
    MakeNewPackage(dir.Path(), package);
    const TSnapshot old = Snapshot(install);
    const std::string upgrade =
        "upgrade '" + store.string() + "' '" + package.string() + "' '" + install.string() + "' ";

    const TChild whole = RunChild(upgrade + "0");
    ASSERT_EQ(whole.status, 0);
    const TSnapshot fresh = Snapshot(install);
    ASSERT_NE(fresh, old);
    ASSERT_GT(whole.steps, 10);

    int oldSeen = 0, newSeen = 0;
    for (long point = 0; point < kKillPoints; ++point) {
        const long step = 1 + point * (whole.steps - 1) / (kKillPoints - 1);
        MakeOldInstall(install);
        fs::remove_all(TUpgradePaths(store).backup);
        ASSERT_TRUE(Killed(RunChild(upgrade + std::to_string(step)))) << "step " << step;
        // Every other time the recovery itself is killed once before it runs to its end.
        if (point % 2 == 1) RunChild("recover '" + store.string() + "' 1");
        ASSERT_TRUE(RecoverUpgrade(store)) << "step " << step;
        const TSnapshot now = Snapshot(install);
        EXPECT_TRUE(now == old || now == fresh) << "a mix after a kill at step " << step << " of " << whole.steps;
        (now == old ? oldSeen : newSeen) += 1;
        EXPECT_FALSE(fs::exists(TUpgradePaths(store).journal));
        EXPECT_FALSE(fs::exists(TUpgradePaths::StagingFor(install)));
    }
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 0);
}

}  // namespace
}  // namespace yeroup::app::upgrade

namespace yeroup::app::upgrade {
namespace {

// The package store on a file system of its own (a tmpfs in a mount namespace of the child's), so the backup is a
// copy: it works where there is room, and where the store fills up the upgrade reports the system's reason, no
// space left, and the install folder stays as it was.
TEST(UpgradeChild, BackupCopiedToAnotherFileSystemOrReportedFull) {
    if (std::system("unshare -rm true 2>/dev/null") != 0) GTEST_SKIP() << "no user and mount namespaces here";
    ScratchFolder dir;
    const fs::path install = dir.Path() / "player", store = dir.Path() / "FirmwareBack";
    const fs::path package = dir.Path() / "A_1.0.zip";
    MakeNewPackage(dir.Path(), package);
    const struct {
        const char* size;
        TUpgradeOutcome outcome;
        int error;
    } cases[] = {{"16m", TUpgradeOutcome::Done, 0}, {"256k", TUpgradeOutcome::CannotWrite, ENOSPC}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        MakeOldInstall(install);
        WriteFile((install / "firmware.sb").string(), TextBytes(1 << 20, 7));  // more than the small store holds
        fs::create_directories(store);
        const TSnapshot old = Snapshot(install);
        const TChild child =
            RunChild("upgrade '" + store.string() + "' '" + package.string() + "' '" + install.string() + "' 0",
                     "unshare -rm sh -c 'mount -t tmpfs -o size=" + std::string(c.size) +
                         " tmpfs \"$0\" && exec \"$@\"' '" + store.string() + "'");
        EXPECT_EQ(child.outcome, static_cast<int>(c.outcome));
        EXPECT_EQ(child.error, c.error);
        if (c.outcome == TUpgradeOutcome::Done)
            EXPECT_EQ(ReadFile((install / "Resource/lang.txt").string()), "new lang");
        else
            EXPECT_EQ(Snapshot(install), old);
    }
}

}  // namespace
}  // namespace yeroup::app::upgrade
