#include <gtest/gtest.h>

#include <unistd.h>
#include <QTimer>
#include <csignal>

#include <cstdlib>

#include "app/Startup.h"
#include "app/core/Texts.h"
#include "app/core/UnsettledUpgrade.h"
#include "app/forms/MainForm.h"
#include "app/upgrade/UpgradeJournal.h"
#include "tests/app/support/AppHarness.h"

using namespace yeroup::app;
using namespace yeroup::test;
using namespace std::string_literals;

namespace {

const std::string kCatalogue = "[A]\r\n1.0=x\r\n";

// Makes the stored package for A 1.0 with Info-ZIP's zip (stored entries with -0).
void MakePackage(AppHarness& h, const std::string& options = "") {
    ScratchFolder stage;
    WriteFile(stage.Path() / "stupdaterapp.exe", "#!/bin/sh\nexit 0\n");
    WriteFile(stage.Path() / "firmware.sb", "FIRMWARE-IMAGE-" + std::string(4000, 'f'));
    WriteFile(stage.Path() / "Resource" / "lang.txt", "lang");
    std::filesystem::create_directories(h.services.Files.PackageStore());
    const std::string zip = h.services.Files.PackageFile("A", "1.0");
    const std::string command = "cd '" + stage.Path().string() + "' && zip -q -r -X " + options + " '" + zip + "' .";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) names.push_back(std::filesystem::relative(entry.path(), folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::string> kExtracted{"Resource/lang.txt", "firmware.sb", "stupdaterapp.exe"};

}  // namespace

TEST(MainFormUpgrade, ExtractsThenAsksThenStartsTheUpdaterWithS) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    MakePackage(h);
    TForm2& form = h.MakeMain();
    ASSERT_TRUE(form.Panel3->isVisible() || !form.Panel3->isHidden());
    std::vector<std::string> atQuestion;
    h.boxes.onShow = [&](const ShownBox&) { atQuestion = FilesIn(h.player.Path()); };
    form.Button2->click();
    EXPECT_EQ(atQuestion, kExtracted);
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text, texts::kConnectPlayer);
    EXPECT_EQ(h.boxes.shown[0].caption, "将您的MP3播放器与电脑连接");
    EXPECT_EQ(h.boxes.shown[0].flags, MB_OKCANCEL | MB_ICONWARNING);
    EXPECT_TRUE(h.boxes.shown[0].owned);
    ASSERT_EQ(h.processes.started.size(), 1u);
    const StartedProcess& p = h.processes.started[0];
    EXPECT_EQ(p.kind, "ShellExecute:open");
    EXPECT_EQ(p.file, h.player.Path().string() + "/stupdaterapp.exe");
    EXPECT_EQ(p.parameters, "-s");
    EXPECT_EQ(p.directory, h.player.Path().string());
    EXPECT_EQ(p.show, 1);
    EXPECT_EQ(ReadFile(h.player.Path() / "firmware.sb"), "FIRMWARE-IMAGE-" + std::string(4000, 'f'));
}

// While the updater the last upgrade started still runs, a new upgrade is refused and touches nothing.
TEST(MainFormUpgrade, NoUpgradeWhileTheUpdaterStartedBeforeStillRuns) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    MakePackage(h);
    TForm2& form = h.MakeMain();
    form.Button2->click();
    ASSERT_EQ(h.processes.started.size(), 1u);
    const std::string updater = h.processes.started[0].file;
    h.processes.running.insert(updater);
    WriteFile(h.player.Path() / "firmware.sb", "being flashed");
    form.Button2->click();
    EXPECT_EQ(h.boxes.Texts(), (std::vector<std::string>{texts::kConnectPlayer, texts::kUpdaterStillRunning}));
    EXPECT_EQ(h.boxes.shown[1].flags, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(ReadFile(h.player.Path() / "firmware.sb"), "being flashed");
    EXPECT_EQ(h.processes.started.size(), 1u);

    h.processes.running.clear();
    form.Button2->click();
    EXPECT_EQ(h.boxes.Texts().back(), texts::kConnectPlayer);
    EXPECT_EQ(h.processes.started.size(), 2u);
}

TEST(MainFormUpgrade, CancelAtTheQuestionKeepsTheFilesAndStartsNothing) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    MakePackage(h);
    TForm2& form = h.MakeMain();
    h.boxes.answers = {IDCANCEL};
    form.Button2->click();
    EXPECT_EQ(FilesIn(h.player.Path()), kExtracted);
    EXPECT_TRUE(h.processes.started.empty());
}

TEST(MainFormUpgrade, PackageThatIsNotAZipIsToldDamagedAndRemovedAMissingOneShowsNothing) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    std::filesystem::create_directories(h.services.Files.PackageStore());
    const std::string zip = h.services.Files.PackageFile("A", "1.0");
    WriteFile(zip, "<html>404 page saved by a proxy</html>");
    TForm2& form = h.MakeMain();
    form.Button2->click();
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text, texts::kPackageDamaged);
    EXPECT_EQ(h.boxes.shown[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_FALSE(std::filesystem::exists(zip));
    EXPECT_TRUE(form.Panel3->isHidden());
    form.Button2->click();
    EXPECT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_TRUE(FilesIn(h.player.Path()).empty());
    EXPECT_TRUE(h.processes.started.empty());
}

TEST(MainFormUpgrade, EmptyInstallFolderIsToldAndExtractsNowhere) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    MakePackage(h);
    TForm2& form = h.MakeMain();
    h.Splash().InstallFolder.clear();
    ScratchFolder cwd;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(cwd.Path());
    form.Button2->click();
    std::filesystem::current_path(previous);
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text, texts::kNoInstallFolder);
    EXPECT_EQ(h.boxes.shown[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_TRUE(FilesIn(cwd.Path()).empty());
    EXPECT_FALSE(std::filesystem::exists("/stupdaterapp.exe"));
    EXPECT_TRUE(h.processes.started.empty());
}

// A damaged entry stops the upgrade whatever the answer: the install folder keeps its files, the package goes
// and no updater starts on a broken set.
TEST(MainFormUpgrade, DamagedEntryStopsTheUpgradeAndLeavesTheInstallFolderAsItWas) {
    for (const int answer : {IDIGNORE, IDABORT}) {
        AppHarness h;
        h.ServeCatalogue(kCatalogue, true);
        MakePackage(h, "-0");
        // Flip one byte inside the stored firmware image: its CRC-32 no longer matches.
        const std::string zip = h.services.Files.PackageFile("A", "1.0");
        std::string bytes = ReadFile(zip);
        const auto at = bytes.find("FIRMWARE-IMAGE-");
        ASSERT_NE(at, std::string::npos);
        bytes[at + 20] ^= 0x01;
        WriteFile(zip, bytes);
        WriteFile(h.player.Path() / "stupdaterapp.exe", "old updater");
        TForm2& form = h.MakeMain();
        h.boxes.answers = {answer};
        form.Button2->click();
        ASSERT_EQ(h.boxes.shown.size(), 2u);
        EXPECT_EQ(h.boxes.shown[0].text.rfind("Archiver: Invalid size or check sum of file", 0), 0u)
            << h.boxes.shown[0].text;
        EXPECT_EQ(h.boxes.shown[0].flags & 0x0F, unsigned{MB_ABORTRETRYIGNORE});
        EXPECT_EQ(h.boxes.shown[1].text, texts::kPackageDamaged);
        EXPECT_EQ(FilesIn(h.player.Path()), std::vector<std::string>{"stupdaterapp.exe"});
        EXPECT_EQ(ReadFile(h.player.Path() / "stupdaterapp.exe"), "old updater");
        EXPECT_FALSE(std::filesystem::exists(zip));
        EXPECT_TRUE(h.processes.started.empty());
    }
}

TEST(MainFormUpgrade, AFileThatCannotBeWrittenIsNamedAndThePackageStays) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    MakePackage(h);
    std::filesystem::create_directories(h.player.Path() / "firmware.sb");
    TForm2& form = h.MakeMain();
    h.boxes.answers = {IDIGNORE};
    form.Button2->click();
    // The archiver's own box for the entry, then what became of the upgrade.
    ASSERT_EQ(h.boxes.shown.size(), 2u);
    EXPECT_EQ(h.boxes.shown[0].text.rfind("Archiver: Cannot create file", 0), 0u) << h.boxes.shown[0].text;
    EXPECT_EQ(h.boxes.shown[1].text,
              "无法写入文件“" + h.player.Path().string() +
                  "/firmware.sb”：已有同名的文件夹或文件。\r固件升级没有进行，播放器软件的文件保持不变。");
    EXPECT_TRUE(std::filesystem::exists(h.services.Files.PackageFile("A", "1.0")));
    EXPECT_TRUE(FilesIn(h.player.Path()).empty());
    EXPECT_TRUE(h.processes.started.empty());
}

// An interrupted upgrade whose journal cannot be read: the start tells the user once what happened and where the
// backup is, and every upgrade is refused, touching nothing, until the state is removed.
TEST(MainFormUpgrade, UnreadableStateOfAnInterruptedUpgradeIsToldAndStopsUpgradesUntilRemoved) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    MakePackage(h);
    h.services.Trace = TTrace((h.exe.Path() / "trace.log").string());
    const std::filesystem::path store = h.services.Files.PackageStore();
    const std::string journal = "yeroup-upgrade-2\0C\0"s + h.player.Path().string();  // cut short
    WriteFile(store / "upgrade-journal", journal);
    WriteFile(store / "upgrade-backup.new" / "stupdaterapp.exe", "old updater");
    WriteFile(h.player.Path() / ".yeroup-staging" / "stupdaterapp.exe", "new updater");
    std::vector<std::string> installed;
    TStartupHooks hooks;
    hooks.mainWindowShown = [&](TForm1&, TForm2& form) {
        form.Button2->click();
        installed = FilesIn(h.player.Path());
        // The user has looked and removed the state, as the manual says.
        std::filesystem::remove(store / "upgrade-journal");
        std::filesystem::remove_all(store / "upgrade-backup.new");
        std::filesystem::remove_all(h.player.Path() / ".yeroup-staging");
        form.Button2->click();
        QTimer::singleShot(0, &form, [&form] { form.close(); });
    };
    EXPECT_EQ(RunStartup(h.services, hooks), 0);
    const std::string backup = (store / "upgrade-backup.new").string();
    EXPECT_EQ(h.boxes.Texts(), (std::vector<std::string>{UnsettledUpgradeText(texts::kUpgradeLeftAsItIs, backup),
                                                         UnsettledUpgradeText(texts::kUpgradeRefusedUnsettled, backup),
                                                         texts::kConnectPlayer}));
    EXPECT_EQ(installed, std::vector<std::string>{".yeroup-staging/stupdaterapp.exe"});
    EXPECT_EQ(FilesIn(h.player.Path()), kExtracted);
    EXPECT_NE(ReadFile(h.exe.Path() / "trace.log")
                  .find("upgrade recovery left as it is: the upgrade journal " + (store / "upgrade-journal").string() +
                        " cannot be read: it ends in the middle of a record: it was cut short; the replaced files are "
                        "in " +
                        backup),
              std::string::npos);
}

// A journal written with the program's own writer, checksums right, whose staging folder lies outside the player's
// folder: the start tells the user and leaves that folder and its files alone, and upgrades stay refused.
TEST(MainFormUpgrade, AJournalNamingAFolderOutsideIsToldAndThatFolderStays) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    MakePackage(h);
    ScratchFolder outside;
    WriteFile(outside.Path() / "letter.txt", "the user's letter");
    const std::filesystem::path store = h.services.Files.PackageStore();
    upgrade::WriteJournal(store / "upgrade-journal",
                          {upgrade::TUpgradePhase::Staging, h.player.Path(), outside.Path(), 0, 0});
    TStartupHooks hooks;
    hooks.mainWindowShown = [&](TForm1&, TForm2& form) {
        form.Button2->click();
        QTimer::singleShot(0, &form, [&form] { form.close(); });
    };
    EXPECT_EQ(RunStartup(h.services, hooks), 0);
    EXPECT_EQ(h.boxes.Texts(), (std::vector<std::string>{UnsettledUpgradeText(texts::kUpgradeLeftAsItIs, ""),
                                                         UnsettledUpgradeText(texts::kUpgradeRefusedUnsettled, "")}));
    EXPECT_EQ(FilesIn(outside.Path()), std::vector<std::string>{"letter.txt"});
    EXPECT_TRUE(FilesIn(h.player.Path()).empty());
    EXPECT_TRUE(std::filesystem::exists(store / "upgrade-journal"));
}

// The updater an earlier run started goes on flashing after that run ended: the next run, which never started it,
// finds it recorded in the package store and refuses the upgrade until it ends.
TEST(MainFormUpgrade, AnUpdaterAnEarlierRunStartedStillRunningRefusesTheUpgrade) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    MakePackage(h);
    h.processes.standIn = {"/bin/sleep", "120"};  // the updater, as long as a flash takes
    h.MakeMain().Button2->click();
    ASSERT_EQ(h.processes.started.size(), 1u);
    const auto updater = h.processes.StartedIdentity(h.processes.started[0].file);
    ASSERT_TRUE(updater);

    // The program ends (the updater does not) and starts again: a new run, which started nothing.
    h.processes.spawned.clear();
    h.processes.standIn.clear();
    ASSERT_TRUE(yeroup::platform::StillRuns(*updater));
    const auto again = std::make_unique<TForm2>(h.services, h.Splash());
    WriteFile(h.player.Path() / "firmware.sb", "being flashed");
    again->Button2->click();
    EXPECT_EQ(h.boxes.Texts().back(), texts::kUpdaterStillRunning);
    EXPECT_EQ(ReadFile(h.player.Path() / "firmware.sb"), "being flashed");
    EXPECT_EQ(h.processes.started.size(), 1u);

    // Once it has ended, the record goes and the upgrade runs.
    ::kill(static_cast<pid_t>(updater->pid), SIGKILL);
    ASSERT_TRUE(WaitUntil([&] { return !yeroup::platform::StillRuns(*updater); }));
    again->Button2->click();
    EXPECT_EQ(h.boxes.Texts().back(), texts::kConnectPlayer);
    EXPECT_EQ(h.processes.started.size(), 2u);
}
