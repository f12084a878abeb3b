// A child process upgrading is killed at many points, as a power cut or kill -9 would stop it; after the
// recovery of the next start the install folder holds the whole old set or the whole new one, or, when the state
// left behind is damaged, everything stays as it was for the user to look at.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/upgrade/PackageUpgrade.h"
#include "app/upgrade/StartupRecovery.h"
#include "app/upgrade/UpgradeJournal.h"
#include "tests/app/upgrade/UpgradeSnapshot.h"
#include "tests/zip/ZipTestSupport.h"

namespace yeroup::app::upgrade {
namespace {

namespace fs = std::filesystem;
using namespace yeroup::test;

// Bounds the run: this many kill points, spread over every step of the upgrade; each kind of damage after a kill at
// one step in this many.
constexpr long kKillPoints = 40;
constexpr std::size_t kDamageStride = 3;

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

// The bytes of every file below the folders.
std::set<std::string> Contents(const std::vector<fs::path>& folders) {
    std::set<std::string> contents;
    for (const fs::path& folder : folders) {
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            if (it->is_regular_file()) contents.insert(ReadFile(it->path()));
    }
    return contents;
}

// The install folder without a staging folder left in it.
TSnapshot WithoutStaging(TSnapshot snapshot) {
    std::erase_if(snapshot, [](const auto& file) { return file.first.rfind(".yeroup-staging", 0) == 0; });
    return snapshot;
}

class UpgradeKill : public ::testing::Test {
protected:
    void SetUp() override {
        MakeOldInstall(install_);
        MakeNewPackage(dir_.Path(), package_);
        old_ = Snapshot(install_);
        const TChild whole = RunChild(upgrade_ + "0");
        ASSERT_EQ(whole.status, 0);
        fresh_ = Snapshot(install_);
        ASSERT_NE(fresh_, old_);
        steps_ = whole.steps;
        ASSERT_GT(steps_, 10);
    }

    // The old set with no state of an earlier upgrade, then an upgrade killed at the step.
    void KillUpgradeAt(long step) {
        MakeOldInstall(install_);
        for (const fs::path& state : {paths_.journal, paths_.backup, paths_.newBackup, paths_.oldBackup})
            fs::remove_all(state);
        ASSERT_TRUE(Killed(RunChild(upgrade_ + std::to_string(step)))) << "step " << step;
    }

    // The contents of the old and new sets still on the disk: installed, staged or kept in a backup.
    std::set<std::string> ContentsLeft() const {
        return Contents({install_, paths_.backup, paths_.newBackup, paths_.oldBackup});
    }

    ScratchFolder dir_;
    const fs::path install_ = dir_.Path() / "player";
    const fs::path store_ = dir_.Path() / "FirmwareBack";
    const fs::path package_ = store_ / "A_1.0.zip";
    const TUpgradePaths paths_{store_};
    const fs::path staging_ = TUpgradePaths::StagingFor(install_);
    const std::string upgrade_ =
        "upgrade '" + store_.string() + "' '" + package_.string() + "' '" + install_.string() + "' ";
    TSnapshot old_, fresh_;
    long steps_ = 0;
};

TEST_F(UpgradeKill, KilledAtAnyStepTheNextStartLeavesTheOldOrTheNewSet) {
    int oldSeen = 0, newSeen = 0;
    for (long point = 0; point < kKillPoints; ++point) {
        const long step = 1 + point * (steps_ - 1) / (kKillPoints - 1);
        KillUpgradeAt(step);
        // Every other time the recovery itself is killed once before it runs to its end.
        if (point % 2 == 1) RunChild("recover '" + store_.string() + "' '" + install_.string() + "' 1");
        const TRecovery recovery = RecoverUpgrade(store_, install_);
        EXPECT_NE(recovery.outcome, TRecoveryOutcome::LeftAsItIs) << "step " << step << ": " << recovery.why;
        const TSnapshot now = Snapshot(install_);
        EXPECT_TRUE(now == old_ || now == fresh_) << "a mix after a kill at step " << step << " of " << steps_;
        (now == old_ ? oldSeen : newSeen) += 1;
        EXPECT_FALSE(fs::exists(paths_.journal));
        EXPECT_FALSE(fs::exists(staging_));
    }
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(newSeen, 0);
}

void FlipMiddleByte(const fs::path& file) {
    if (!fs::exists(file)) return;
    std::string bytes = ReadFile(file);
    bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x20);
    WriteFile(file, bytes);
}

void CutThreeBytes(const fs::path& file) {
    if (fs::exists(file)) fs::resize_file(file, fs::file_size(file) >= 3 ? fs::file_size(file) - 3 : 0);
}

// After a kill, the state is damaged as a bad disk, a crash of the file system or a hand would damage it. The
// next start finishes or rolls back only what it can read whole; anything else it leaves as it is and says so.
// Whatever it does, no content of the old or the new set that outlived the damage is lost (a roll back leaves
// the new set to the package it came from).
TEST_F(UpgradeKill, DamagedStateIsNeverGuessedAt) {
    const fs::path list = paths_.newBackup / kManifestName;
    const struct {
        const char* what;
        std::function<void()> damage;
    } damages[] = {
        {"journal flipped", [&] { FlipMiddleByte(paths_.journal); }},
        {"journal cut", [&] { CutThreeBytes(paths_.journal); }},
        {"journal deleted", [&] { fs::remove(paths_.journal); }},
        {"list flipped", [&] { FlipMiddleByte(list); }},
        {"list cut", [&] { CutThreeBytes(list); }},
        {"list deleted", [&] { fs::remove(list); }},
        // Files the list names: one still to replace its old file, and the backup of another.
        {"staging partly deleted", [&] { fs::remove(staging_ / "firmware.sb"); }},
        {"backup partly deleted", [&] { fs::remove(paths_.newBackup / "Resource/lang.txt"); }},
    };
    // Snapshots hold "mode:bytes" for a file, nothing for a folder.
    std::set<std::string> oldContents, newContents;
    for (const auto& [set, contents] : {std::pair{&old_, &oldContents}, std::pair{&fresh_, &newContents}})
        for (const auto& [name, file] : *set)
            if (name.back() != '/') contents->insert(file.substr(file.find(':') + 1));
    int leftAsItIs = 0;
    // Each damage after a kill at every third step, the damages taking turns, so that every step sees some.
    for (long step = 1; step <= steps_; ++step) {
        for (std::size_t turn = 0; turn < std::size(damages); ++turn) {
            if ((static_cast<std::size_t>(step) + turn) % kDamageStride != 0) continue;
            const auto& damage = damages[turn];
            SCOPED_TRACE("kill at step " + std::to_string(step) + " of " + std::to_string(steps_) + ", " + damage.what);
            KillUpgradeAt(step);
            damage.damage();
            const std::set<std::string> outlived = ContentsLeft();
            const TSnapshot before = Snapshot(install_);
            const TRecovery recovery = RecoverUpgrade(store_, install_);
            const TSnapshot now = Snapshot(install_);
            switch (recovery.outcome) {
            case TRecoveryOutcome::Finished: EXPECT_EQ(now, fresh_); break;
            case TRecoveryOutcome::RolledBack: EXPECT_EQ(now, old_); break;
            case TRecoveryOutcome::Nothing: EXPECT_TRUE(WithoutStaging(now) == old_ || now == fresh_); break;
            case TRecoveryOutcome::LeftAsItIs:
                // Nothing touched, and the state stays, so every start tells again until it is dealt with.
                EXPECT_EQ(now, before);
                EXPECT_TRUE(fs::exists(paths_.journal) || fs::exists(paths_.newBackup)) << recovery.why;
                ++leftAsItIs;
                break;
            }
            const std::set<std::string> left = ContentsLeft();
            for (const std::string& content : oldContents)
                EXPECT_TRUE(!outlived.count(content) || left.count(content)) << "an old file's content was lost";
            if (recovery.outcome != TRecoveryOutcome::RolledBack) {
                for (const std::string& content : newContents)
                    EXPECT_TRUE(!outlived.count(content) || left.count(content)) << "a new file's content was lost";
            }
        }
    }
    EXPECT_GT(leftAsItIs, 0);
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
