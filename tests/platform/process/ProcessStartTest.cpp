#include "platform/process/ProcessStart.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::platform;
using yeroup::test::ReadFile;
using yeroup::test::ScratchFolder;
using yeroup::test::WriteFile;

namespace {

void WriteScript(const std::filesystem::path& file, const std::string& body) {
    WriteFile(file, "#!/bin/sh\n" + body);
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
}

// The started program runs detached; its output file appears once it has run.
std::string WaitForFile(const std::filesystem::path& file) {
    for (int i = 0; i < 1000 && !std::filesystem::exists(file.string() + ".done"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return ReadFile(file);
}

}  // namespace

TEST(ProcessStart, CommandLineSplitsAtBlanksWithQuotes) {
    EXPECT_EQ(SplitCommandLine("SigmaTelSetup.exe"), std::vector<std::string>{"SigmaTelSetup.exe"});
    EXPECT_EQ(SplitCommandLine("  a  \"b c\" \"\" d"), (std::vector<std::string>{"a", "b c", "", "d"}));
}

TEST(ProcessStart, ProgramIsFoundInTheExeFolderBeforeThePath) {
    ScratchFolder exe, path;
    WriteScript(path.Path() / "SigmaTelSetup.exe", "exit 0\n");
    const yeroup::test::ScopedEnvironment searchPath("PATH", "/nonexistent:" + path.Path().string());
    EXPECT_EQ(FindProgram("SigmaTelSetup.exe", {exe.Path().string() + "/"}),
              (path.Path() / "SigmaTelSetup.exe").string());
    WriteScript(exe.Path() / "SigmaTelSetup.exe", "exit 0\n");
    EXPECT_EQ(FindProgram("SigmaTelSetup.exe", {"", exe.Path().string() + "/"}),
              (exe.Path() / "SigmaTelSetup.exe").string());
    WriteFile(exe.Path() / "notexec", "");
    EXPECT_EQ(FindProgram("notexec", {exe.Path().string()}), "");
}

TEST(ProcessStart, ShellExecuteRunsInTheWorkingFolderWithItsParameters) {
    ScratchFolder dir;
    const auto out = dir.Path() / "out.txt";
    WriteScript(dir.Path() / "stupdaterapp.exe", "echo \"$(pwd) $# $1\" > out.txt; touch out.txt.done\n");
    TProcessStarter starter({"/nonexistent/"});
    ASSERT_EQ(starter.ShellExecute("open", (dir.Path() / "stupdaterapp.exe").string(), "-s", dir.Path().string(), 1),
              TStartResult::Started);
    EXPECT_EQ(WaitForFile(out), std::filesystem::canonical(dir.Path()).string() + " 1 -s\n");
    EXPECT_EQ(starter.ShellExecute("open", (dir.Path() / "missing.exe").string(), "-s", dir.Path().string(), 1),
              TStartResult::NotFound);
    EXPECT_EQ(starter.ShellExecute("open", (dir.Path() / "stupdaterapp.exe").string(), "-s", "/nonexistent", 1),
              TStartResult::NotFound);
}

TEST(ProcessStart, WinExecStartsTheProgramFromTheExeFolder) {
    ScratchFolder dir;
    const auto out = dir.Path() / "ran.txt";
    WriteScript(dir.Path() / "SigmaTelSetup.exe",
                "echo ran > '" + out.string() + "'; touch '" + out.string() + ".done'\n");
    TProcessStarter starter({dir.Path().string() + "/"});
    ASSERT_EQ(starter.WinExec("SigmaTelSetup.exe", 0), TStartResult::Started);
    EXPECT_EQ(WaitForFile(out), "ran\n");
    EXPECT_EQ(starter.WinExec("NoSuchSetup.exe", 0), TStartResult::NotFound);
}

TEST(ProcessStart, WindowsProgramsAreToldByTheirHeaderOrName) {
    ScratchFolder dir;
    const auto file = [&](const std::string& name, const std::string& bytes, bool executable) {
        WriteFile(dir.Path() / name, bytes);
        std::filesystem::permissions(
            dir.Path() / name, executable ? std::filesystem::perms::owner_all
                                          : std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        return (dir.Path() / name).string();
    };
    const struct {
        std::string path;
        TProgramKind kind;
    } cases[] = {
        {file("updater.bin", std::string("MZ\x90\0", 4), false), TProgramKind::Windows},
        {file("updater-x.bin", std::string("MZ\x90\0", 4), true), TProgramKind::Windows},
        {file("setup.EXE", "no header at all", false), TProgramKind::Windows},
        {file("script.exe", "#!/bin/sh\n", true), TProgramKind::Native},
        {file("elf.exe",
              "\x7f"
              "ELF",
              true),
         TProgramKind::Native},
        {file("tool", "#!/bin/sh\n", true), TProgramKind::Native},
        {file("data", "#!/bin/sh\n", false), TProgramKind::None},
        {(dir.Path() / "missing.exe").string(), TProgramKind::None},
        {dir.Path().string(), TProgramKind::None},
    };
    for (const auto& c : cases) EXPECT_EQ(ProgramKind(c.path), c.kind) << c.path;
}

TEST(ProcessStart, WindowsProgramsStartThroughWineInThePrefix) {
    ScratchFolder dir, bin;
    const auto out = dir.Path() / "wine.txt";
    // A wine on the PATH that records how it was started.
    WriteScript(bin.Path() / "wine", "{ pwd; echo \"$WINEPREFIX\"; for a in \"$@\"; do echo \"[$a]\"; done; } > '" +
                                         out.string() + "'; touch '" + out.string() + ".done'\n");
    WriteFile(dir.Path() / "stupdaterapp.exe", "MZ not executable here");
    WriteFile(dir.Path() / "SigmaTelSetup.exe", "MZ");
    const yeroup::test::ScopedEnvironment searchPath("PATH", bin.Path().string() + ":/usr/bin:/bin"),
        prefix("WINEPREFIX", "/from/the/environment");

    TProcessStarter starter({dir.Path().string()}, "/srv/prefix");
    const std::string updater = (dir.Path() / "stupdaterapp.exe").string();
    ASSERT_EQ(starter.ShellExecute("open", updater, "-s \"two words\"", dir.Path().string(), 1), TStartResult::Started);
    EXPECT_EQ(WaitForFile(out), std::filesystem::canonical(dir.Path()).string() + "\n/srv/prefix\n[" + updater +
                                    "]\n[-s]\n[two words]\n");
    std::filesystem::remove(out.string() + ".done");
    // Without a prefix of its own the starter leaves the environment's.
    ASSERT_EQ(TProcessStarter({dir.Path().string()}).WinExec("SigmaTelSetup.exe", 0), TStartResult::Started);
    EXPECT_NE(WaitForFile(out).find("\n/from/the/environment\n[" + (dir.Path() / "SigmaTelSetup.exe").string() + "]\n"),
              std::string::npos);

    // Without wine a Windows program cannot start, and the caller learns why.
    searchPath.Set("/nonexistent");
    EXPECT_EQ(starter.ShellExecute("open", updater, "-s", dir.Path().string(), 1), TStartResult::NoWine);
    EXPECT_EQ(starter.WinExec("SigmaTelSetup.exe", 0), TStartResult::NoWine);
}

// The starter knows whether the program it last started from a file still runs: natively, and under a wine
// that runs the Windows program in its own process, as Debian's launcher does by exec.
TEST(ProcessStart, KnowsWhetherWhatItStartedStillRuns) {
    ScratchFolder dir, bin;
    const auto release = dir.Path() / "release";
    // Runs until the test releases it, or a minute at most should the test fail first.
    const std::string waits =
        "i=0; while [ ! -e '" + release.string() + "' ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done\n";
    WriteScript(dir.Path() / "native.exe", waits);
    WriteScript(bin.Path() / "wine", waits);
    WriteFile(dir.Path() / "windows.exe", "MZ");
    const yeroup::test::ScopedEnvironment searchPath("PATH", bin.Path().string() + ":/usr/bin:/bin");
    TProcessStarter starter({dir.Path().string()});
    for (const char* name : {"native.exe", "windows.exe"}) {
        SCOPED_TRACE(name);
        const std::string file = (dir.Path() / name).string();
        EXPECT_FALSE(starter.StillRunning(file));
        std::filesystem::remove(release);
        ASSERT_EQ(starter.ShellExecute("open", file, "-s", dir.Path().string(), 1), TStartResult::Started);
        EXPECT_TRUE(starter.StillRunning(file));
        EXPECT_FALSE(starter.StillRunning((dir.Path() / "other.exe").string()));
        // Who it is, for a later run of the program, which did not start it.
        const std::optional<TProcessIdentity> process = starter.StartedIdentity(file);
        ASSERT_TRUE(process);
        EXPECT_TRUE(TProcessStarter({}).StillRunning(*process));
        WriteFile(release, "");
        bool ended = false;
        for (int i = 0; i < 500 && !ended; ++i) {
            ended = !starter.StillRunning(file);
            if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_TRUE(ended);
        EXPECT_FALSE(starter.StartedIdentity(file));
        EXPECT_FALSE(starter.StillRunning(*process));
    }
}
