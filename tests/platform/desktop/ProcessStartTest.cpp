#include "platform/desktop/ProcessStart.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <thread>

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
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    ::setenv("PATH", ("/nonexistent:" + path.Path().string()).c_str(), 1);
    EXPECT_EQ(FindProgram("SigmaTelSetup.exe", exe.Path().string() + "/"),
              (path.Path() / "SigmaTelSetup.exe").string());
    WriteScript(exe.Path() / "SigmaTelSetup.exe", "exit 0\n");
    EXPECT_EQ(FindProgram("SigmaTelSetup.exe", exe.Path().string() + "/"), (exe.Path() / "SigmaTelSetup.exe").string());
    WriteFile(exe.Path() / "notexec", "");
    EXPECT_EQ(FindProgram("notexec", exe.Path().string()), "");
    ::setenv("PATH", saved.c_str(), 1);
}

TEST(ProcessStart, ShellExecuteRunsInTheWorkingFolderWithItsParameters) {
    ScratchFolder dir;
    const auto out = dir.Path() / "out.txt";
    WriteScript(dir.Path() / "stupdaterapp.exe", "echo \"$(pwd) $# $1\" > out.txt; touch out.txt.done\n");
    TProcessStarter starter("/nonexistent/");
    ASSERT_TRUE(starter.ShellExecute("open", (dir.Path() / "stupdaterapp.exe").string(), "-s", dir.Path().string(), 1));
    EXPECT_EQ(WaitForFile(out), std::filesystem::canonical(dir.Path()).string() + " 1 -s\n");
    EXPECT_FALSE(starter.ShellExecute("open", (dir.Path() / "missing.exe").string(), "-s", dir.Path().string(), 1));
    EXPECT_FALSE(starter.ShellExecute("open", (dir.Path() / "stupdaterapp.exe").string(), "-s", "/nonexistent", 1));
}

TEST(ProcessStart, WinExecStartsTheProgramFromTheExeFolder) {
    ScratchFolder dir;
    const auto out = dir.Path() / "ran.txt";
    WriteScript(dir.Path() / "SigmaTelSetup.exe",
                "echo ran > '" + out.string() + "'; touch '" + out.string() + ".done'\n");
    TProcessStarter starter(dir.Path().string() + "/");
    ASSERT_TRUE(starter.WinExec("SigmaTelSetup.exe", 0));
    EXPECT_EQ(WaitForFile(out), "ran\n");
    EXPECT_FALSE(starter.WinExec("NoSuchSetup.exe", 0));
}
