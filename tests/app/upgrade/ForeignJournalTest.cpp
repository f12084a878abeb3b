// Journals with good checksums that name folders this program never writes with: anyone who can write the package
// store can recompute a CRC-32, so the recovery acts only inside the install folder the registry names, its own
// staging folder and the store's backup; any other journal is left exactly as it is, as a damaged one is.
#include <gtest/gtest.h>

#include "app/upgrade/StartupRecovery.h"
#include "app/upgrade/UpgradeJournal.h"
#include "tests/app/upgrade/UpgradeSnapshot.h"
#include "tests/support/ScratchFolder.h"

namespace yeroup::app::upgrade {
namespace {

namespace fs = std::filesystem;
using namespace yeroup::test;

TEST(ForeignJournal, RecoveryActsOnlyInTheRegisteredFoldersElseLeavesAllAsItIs) {
    ScratchFolder dir;
    const fs::path install = dir.Path() / "player";
    const fs::path outside = dir.Path() / "documents";
    const fs::path store = dir.Path() / "FirmwareBack";
    const TUpgradePaths paths(store);
    const struct {
        const char* what;
        TUpgradePhase phase;
        fs::path journalInstall, journalStaging, registered;
        std::string listed;  // a new file of the list of changes, staged in journalStaging
        const char* why;     // empty: acted on
    } cases[] = {
        {"staging outside", TUpgradePhase::Staging, install, outside, install, "", "names the staging folder"},
        {"another install folder", TUpgradePhase::Commit, outside, TUpgradePaths::StagingFor(outside), install,
         "letter.txt", "not the one the registry names"},
        {"no registered folder", TUpgradePhase::Staging, install, TUpgradePaths::StagingFor(install), "", "",
         "while the registry names none"},
        {"a listed path leaving the folder", TUpgradePhase::Commit, install, TUpgradePaths::StagingFor(install),
         install, "../documents/letter.txt", "line 1 names a path outside the install folder"},
        {"the registry's folder with a trailing slash", TUpgradePhase::Staging, install,
         TUpgradePaths::StagingFor(install), install.string() + "/", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.Path());
        WriteFile(install / "firmware.sb", "old firmware");
        WriteFile(outside / "letter.txt", "the user's letter");
        WriteFile(c.journalStaging / "letter.txt", "staged");
        TUpgradeJournal journal{c.phase, c.journalInstall, c.journalStaging, 0, 0};
        fs::create_directories(paths.newBackup);
        if (c.phase == TUpgradePhase::Commit) {
            journal.changes = 1;
            journal.changesCrc = WriteManifest(paths.newBackup / kManifestName, {{TChange::NewFile, c.listed, 0}});
        }
        WriteJournal(paths.journal, journal);  // the program's own writer: the checksums are right
        const TSnapshot installBefore = Snapshot(install), outsideBefore = Snapshot(outside);

        const TRecovery recovery = RecoverUpgrade(store, c.registered);
        if (*c.why == '\0') {
            EXPECT_EQ(recovery.outcome, TRecoveryOutcome::RolledBack) << recovery.why;
            EXPECT_FALSE(fs::exists(paths.journal));
            continue;
        }
        EXPECT_EQ(recovery.outcome, TRecoveryOutcome::LeftAsItIs);
        EXPECT_NE(recovery.why.find(c.why), std::string::npos) << recovery.why;
        EXPECT_EQ(Snapshot(install), installBefore);
        EXPECT_EQ(Snapshot(outside), outsideBefore);
        EXPECT_EQ(ReadFile(c.journalStaging / "letter.txt"), "staged");
        EXPECT_TRUE(fs::exists(paths.journal));
    }
}

}  // namespace
}  // namespace yeroup::app::upgrade
