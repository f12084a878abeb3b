// The upgrade with a real Wine: the player software's folder comes from a Wine prefix's registry (written by
// Wine's own reg.exe), the package lands on the prefix's drive C: and the updater, a Windows program built with
// MinGW-w64, starts through wine in that prefix; while it runs no second upgrade starts. Skipped, saying why,
// where Wine cannot start.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QTimer>
#include <chrono>
#include <iostream>
#include <thread>

#include "app/Startup.h"
#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "platform/process/ProcessStart.h"
#include "platform/registry/Registry.h"
#include "tests/app/support/FakeServices.h"
#include "tests/app/support/UpdateHostServer.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::app;
using namespace yeroup::test;
namespace platform = yeroup::platform;

namespace {

// Wine's first start sets up a new prefix: about 20 s on the 2-core CI machine. Past this bound the test is
// skipped rather than holding up the suite.
constexpr int kPrefixSeconds = 120;
// Each later step of Wine (a registry change, the updater's run) takes a few seconds.
constexpr int kStepSeconds = 45;

// Runs a shell command under timeout(1); its exit status (124 when the time ran out).
int RunBounded(const std::string& command, int seconds) {
    const std::string bounded = "timeout -k 5 " + std::to_string(seconds) + " sh -c '" + command + "' >/dev/null 2>&1";
    const int status = std::system(bounded.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

}  // namespace

TEST(WineEndToEnd, UpgradeStartsTheWindowsUpdaterThroughWineInThePrefix) {
    const std::string standIn = YEROUP_WINE_UPDATER;
    if (standIn.empty()) GTEST_SKIP() << "no MinGW-w64 cross compiler (gcc-mingw-w64-x86-64) built the updater";
    if (platform::FindProgram("wine", {}).empty() || platform::FindProgram("wineserver", {}).empty())
        GTEST_SKIP() << "Wine is not installed (Debian wine and wine64)";

    ScratchFolder work;
    const auto prefix = work.Path() / "prefix";
    const std::string wine = "WINEPREFIX=\"" + prefix.string() + "\" ";
    // The prefix must reach the updater through the program, not through this process's environment.
    const ScopedEnvironment noPrefix("WINEPREFIX", std::nullopt), quiet("WINEDEBUG", "-all"),
        // No Mono or Gecko set-up: they would ask to be downloaded.
        noDownloads("WINEDLLOVERRIDES", "mscoree,mshtml=");

    const auto started = std::chrono::steady_clock::now();
    const int boot = RunBounded(wine + "wine wineboot --init", kPrefixSeconds);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count();
    std::cout << "[   WINE   ] prefix set up in " << seconds << " s (status " << boot << ")\n";
    RecordProperty("wine_prefix_seconds", static_cast<int>(seconds));
    struct StopWine {
        std::string wine;
        ~StopWine() { RunBounded(wine + "wineserver -k", 20); }
    } stop{wine};
    if (boot != 0)
        GTEST_SKIP() << "Wine could not set up a prefix within " << kPrefixSeconds << " s (exit status " << boot << ")";

    // The player software as its installer leaves it: a folder on drive C: and the registry value naming it.
    const std::string windowsFolder = "C:\\Program Files\\SigmaTel\\播放器";
    const auto player = prefix / "drive_c" / "Program Files" / "SigmaTel" / "播放器";
    std::filesystem::create_directories(player);
    ASSERT_EQ(
        RunBounded("LC_ALL=C.UTF-8 " + wine +
                       "wine reg add \"HKLM\\Software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params\" /v \"Install "
                       "Folder\" /t REG_SZ /d \"" +
                       windowsFolder + "\" /f && " + wine + "wineserver -w",
                   kStepSeconds),
        0);

    // The package: the updater stand-in and a firmware file.
    ScratchFolder stage;
    std::filesystem::copy_file(standIn, stage.Path() / "stupdaterapp.exe");
    WriteFile(stage.Path() / "firmware.sb", "FIRMWARE");
    ASSERT_EQ(
        std::system(("cd '" + stage.Path().string() + "' && zip -q -X p.zip stupdaterapp.exe firmware.sb").c_str()), 0);
    UpdateHostServer server;
    server.Serve("/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini", "[A]\r\n1.0=x\r\n");
    server.Serve("/YEROMP3LiveUpdate/Firmware/A/A_1.0.asp", "<html>A 1.0</html>");
    server.Serve("/YEROMP3LiveUpdate/Firmware/A/A_1.0.zip", ReadFile(stage.Path() / "p.zip"));

    ScratchFolder exe;
    FakeMessageBoxes boxes;
    const auto registryFile = prefix / "system.reg";
    platform::TProcessStarter processes({exe.Slash()}, platform::WinePrefixOf(registryFile));
    const TAppServices services{boxes, processes, TAppFiles(exe.Slash(), server.Host()), registryFile};
    std::string installFolder;
    bool ranAndEnded = false;
    const auto record = player / "updater-invocation.txt";
    TStartupHooks hooks;
    hooks.mainWindowShown = [&](TForm1& splash, TForm2& form) {
        QTimer::singleShot(0, &form, [&] {
            installFolder = splash.InstallFolder;
            form.Button1->click();  // the download runs to its end inside
            form.Button2->click();  // extraction, the question (answered OK), the updater through wine
            // The updater runs detached under Wine, records how it was started and runs on until released: a
            // second upgrade meanwhile is refused.
            for (int i = 0; i < kStepSeconds * 10 && !std::filesystem::exists(record); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            form.Button2->click();
            WriteFile(player / "updater-release", "");
            const std::string updater = installFolder + "/" + texts::kUpdaterProgram;
            for (int i = 0; i < kStepSeconds * 10 && !ranAndEnded; ++i) {
                ranAndEnded = !processes.StillRunning(updater);
                if (!ranAndEnded) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            form.close();
        });
    };
    EXPECT_EQ(RunStartup(services, hooks), 0);
    EXPECT_EQ(installFolder, std::filesystem::canonical(player).string());
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{texts::kConnectPlayer, texts::kUpdaterStillRunning}));
    EXPECT_EQ(ReadFile(record), "cwd=" + windowsFolder + "\narg=-s\nfirmware.sb=present\n");
    EXPECT_TRUE(ranAndEnded) << "the wine process of the updater did not end once released";
}
