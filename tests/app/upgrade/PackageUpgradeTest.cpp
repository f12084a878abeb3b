// The upgrade's transaction on packages made by Info-ZIP: the new set arrives whole, or the install folder
// stays exactly as it was.
#include "app/upgrade/PackageUpgrade.h"

#include <gtest/gtest.h>

#include "app/upgrade/UpgradeJournal.h"
#include "tests/app/upgrade/UpgradeSnapshot.h"
#include "tests/zip/ZipTestSupport.h"

namespace yeroup::app::upgrade {
namespace {

namespace fs = std::filesystem;
using namespace yeroup::test;

class PackageUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeOldInstall(install_);
        MakeNewPackage(dir_.Path(), package_);
        archiver_.Name = "Archiver";
        archiver_.SetPrompts(&prompts_);
    }

    TUpgradeResult Run() { return upgrade_.Run(archiver_, package_.string(), install_.string()); }

    void ExpectNoLeftovers() {
        EXPECT_FALSE(fs::exists(TUpgradePaths::StagingFor(install_)));
        EXPECT_FALSE(fs::exists(paths_.journal));
        EXPECT_FALSE(fs::exists(paths_.newBackup));
        EXPECT_FALSE(fs::exists(paths_.oldBackup));
    }

    ScratchFolder dir_;
    const fs::path install_ = dir_.Path() / "player";
    const fs::path store_ = dir_.Path() / "FirmwareBack";
    const fs::path package_ = store_ / "A_1.0.zip";
    const TUpgradePaths paths_{store_};
    ScriptedPrompts prompts_;
    zip::TZFZipArchiver archiver_;
    TPackageUpgrade upgrade_{store_};
};

TEST_F(PackageUpgradeTest, NewSetArrivesAndOnlyTheLastBackupIsKept) {
    const TSnapshot old = Snapshot(install_);
    TSnapshot expected = Snapshot(dir_.Path() / "new");
    expected["settings.ini"] = old.at("settings.ini");
    const TUpgradeResult result = Run();
    EXPECT_EQ(result.outcome, TUpgradeOutcome::Done) << result.file;
    EXPECT_EQ(Snapshot(install_), expected);
    ExpectNoLeftovers();
    // The replaced files wait in the backup, with the list of what the upgrade changed.
    EXPECT_EQ(ReadFile((paths_.backup / "Resource/lang.txt").string()), "old lang");
    EXPECT_EQ(ReadFile((paths_.backup / "stupdaterapp.exe").string()), "old updater");
    EXPECT_FALSE(fs::exists(paths_.backup / "settings.ini"));
    std::size_t replaced = 0, added = 0;
    for (const TManifestLine& line : ParseManifest(ReadFile((paths_.backup / kManifestName).string())))
        (line.change == TChange::ReplacedFile ? replaced : added) += 1;
    EXPECT_EQ(replaced, 3u);
    EXPECT_EQ(added, 2u);  // the new folders Logs and Resource/Skins, each moved in whole with the skins

    // The next upgrade's backup replaces this one.
    WriteFile((dir_.Path() / "new/firmware.sb").string(), "newer firmware");
    fs::remove(package_);
    ASSERT_EQ(
        std::system(("cd '" + (dir_.Path() / "new").string() + "' && zip -q -X '" + package_.string() + "' firmware.sb")
                        .c_str()),
        0);
    EXPECT_EQ(Run().outcome, TUpgradeOutcome::Done);
    EXPECT_EQ(ReadFile((install_ / "firmware.sb").string()), "newer firmware");
    EXPECT_EQ(ReadFile((paths_.backup / "firmware.sb").string()), expected.at("firmware.sb").substr(4));
    EXPECT_FALSE(fs::exists(paths_.backup / "stupdaterapp.exe"));
    ExpectNoLeftovers();
}

// The player software finds its files case-blind: an entry replaces the installed file whose name matches
// without case, under the installed spelling, and is backed up and put back like any replaced file.
TEST_F(PackageUpgradeTest, CaseBlindReplacementIsBackedUpAndRolledBack) {
    fs::rename(install_ / "stupdaterapp.exe", install_ / "StUpdaterApp.EXE");
    fs::rename(install_ / "Resource", install_ / "RESOURCE");
    const TSnapshot old = Snapshot(install_);
    upgrade_.OnStep = [&, moved = 0]() mutable {
        // The updater, fourth to move, can no longer replace its target.
        const fs::path staged = TUpgradePaths::StagingFor(install_) / "StUpdaterApp.EXE";
        if (fs::exists(paths_.journal) && ReadJournal(paths_.journal)->phase == TUpgradePhase::Commit && ++moved == 3) {
            fs::remove(staged);
            fs::create_directories(staged / "x");
        }
    };
    EXPECT_EQ(Run().outcome, TUpgradeOutcome::CannotWrite);
    EXPECT_EQ(Snapshot(install_), old);
    ExpectNoLeftovers();

    upgrade_.OnStep = {};
    ASSERT_EQ(Run().outcome, TUpgradeOutcome::Done);
    TSnapshot expected;
    for (const auto& [name, content] : Snapshot(dir_.Path() / "new")) {
        std::string spelled = name == "stupdaterapp.exe" ? "StUpdaterApp.EXE" : name;
        if (spelled.rfind("Resource", 0) == 0) spelled.replace(0, 8, "RESOURCE");
        expected[spelled] = content;
    }
    expected["settings.ini"] = old.at("settings.ini");
    EXPECT_EQ(Snapshot(install_), expected);
    EXPECT_EQ(ReadFile((paths_.backup / "StUpdaterApp.EXE").string()), "old updater");
    EXPECT_EQ(ReadFile((paths_.backup / "RESOURCE/lang.txt").string()), "old lang");
    ExpectNoLeftovers();
}

// Entries that would land in the program's own folders, or through a link the package itself holds, make the
// package a damaged one: refused whole, the install folder and the last backup as they were.
TEST_F(PackageUpgradeTest, PackagesReachingIntoTheProgramsOwnFoldersAreDamaged) {
    const fs::path innerStore = install_ / "FirmwareBack";
    const struct {
        const char* what;
        std::string files;   // made in the package's tree
        std::string zipped;  // what zip takes, from the tree
        fs::path store;
    } cases[] = {
        {"the staging folder", "mkdir .yeroup-staging && echo x > .yeroup-staging/a", ".yeroup-staging", store_},
        {"the staging folder in capitals", "mkdir .YEROUP-Staging && echo x > .YEROUP-Staging/a", ".YEROUP-Staging",
         store_},
        {"the staging folder with a trailing dot, which Windows drops",
         "mkdir .yeroup-staging. && echo x > .yeroup-staging./a", ".yeroup-staging.", store_},
        {"the backup, with the store inside the install folder",
         "mkdir -p FirmwareBack/upgrade-backup && echo x > FirmwareBack/upgrade-backup/stupdaterapp.exe",
         "FirmwareBack", innerStore},
        {"the journal, with the store inside the install folder",
         "mkdir ./firmwareback && echo x > ./firmwareback/UPGRADE-JOURNAL", "firmwareback", innerStore},
        {"a link entry, then an entry under it", "mkdir real && echo x > real/a && ln -s real link", "-y link link/a",
         store_},
    };
    prompts_.failureAnswers = {zip::fxaIgnore};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MakeOldInstall(install_);
        WriteFile((c.store / "upgrade-backup/stupdaterapp.exe").string(), "the last backup");
        const TSnapshot old = Snapshot(install_);
        ScratchFolder tree;
        const fs::path package = dir_.Path() / "own.zip";
        fs::remove(package);
        ASSERT_EQ(RunTool(c.files + " && zip -q -r " + package.string() + " " + c.zipped, tree.Path()), 0);
        TPackageUpgrade upgrade(c.store);
        EXPECT_EQ(upgrade.Run(archiver_, package.string(), install_.string()).outcome, TUpgradeOutcome::PackageDamaged);
        EXPECT_EQ(Snapshot(install_), old);
        EXPECT_EQ(ReadFile((c.store / "upgrade-backup/stupdaterapp.exe").string()), "the last backup");
        EXPECT_FALSE(fs::exists(TUpgradePaths::StagingFor(install_)));
        EXPECT_FALSE(fs::exists(TUpgradePaths(c.store).journal));
    }
}

TEST_F(PackageUpgradeTest, EveryFailureLeavesTheInstallFolderAsItWas) {
    const std::string good = ReadFile(package_.string());
    std::string damaged = good;
    damaged[good.find("firmware.sb") + 11 + 200] ^= 0x20;  // inside the firmware's deflated data
    const struct {
        const char* what;
        std::string package;  // empty: no package at all
        zip::TZFAction answer;
        TUpgradeOutcome outcome;
    } cases[] = {
        {"damaged entry, Ignore answered", damaged, zip::fxaIgnore, TUpgradeOutcome::PackageDamaged},
        {"damaged entry, Abort answered", damaged, zip::fxaAbort, TUpgradeOutcome::PackageDamaged},
        {"cut download", good.substr(0, good.size() / 2), zip::fxaIgnore, TUpgradeOutcome::PackageDamaged},
        {"not an archive", "<html>proxy error</html>", zip::fxaIgnore, TUpgradeOutcome::PackageDamaged},
        {"no package", "", zip::fxaIgnore, TUpgradeOutcome::PackageMissing},
    };
    const TSnapshot old = Snapshot(install_);
    for (const auto& c : cases) {
        fs::remove(package_);
        if (!c.package.empty()) WriteFile(package_.string(), c.package);
        prompts_.failureAnswers = {c.answer};
        const TUpgradeResult result = Run();
        EXPECT_EQ(result.outcome, c.outcome) << c.what;
        EXPECT_EQ(Snapshot(install_), old) << c.what;
        ExpectNoLeftovers();
    }

    // A destination that cannot be written names itself.
    WriteFile(package_.string(), good);
    fs::remove(install_ / "stupdaterapp.exe");
    fs::create_directory(install_ / "stupdaterapp.exe");
    const TSnapshot withFolder = Snapshot(install_);
    TUpgradeResult result = Run();
    EXPECT_EQ(result.outcome, TUpgradeOutcome::CannotWrite);
    EXPECT_EQ(result.file, (install_ / "stupdaterapp.exe").string());
    EXPECT_EQ(Snapshot(install_), withFolder);
    ExpectNoLeftovers();

    // A failure while moving files into place puts the previous files back.
    MakeOldInstall(install_);
    upgrade_.OnStep = [&, moved = 0]() mutable {
        const fs::path staged = TUpgradePaths::StagingFor(install_) / "stupdaterapp.exe";
        if (fs::exists(paths_.journal) && ReadJournal(paths_.journal)->phase == TUpgradePhase::Commit && ++moved == 3) {
            // The last file to move can no longer replace its target.
            fs::remove(staged);
            fs::create_directories(staged / "x");
        }
    };
    result = Run();
    EXPECT_EQ(result.outcome, TUpgradeOutcome::CannotWrite);
    EXPECT_EQ(result.file, (install_ / "stupdaterapp.exe").string());
    EXPECT_EQ(Snapshot(install_), old);
    ExpectNoLeftovers();
}

}  // namespace
}  // namespace yeroup::app::upgrade
