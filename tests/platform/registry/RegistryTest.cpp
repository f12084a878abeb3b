#include "platform/registry/Registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::platform;
using yeroup::test::ScratchFolder;
using yeroup::test::WriteFile;

namespace {
const char* kKey = "\\software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params\\";
}

TEST(Registry, KeysMatchWithoutCaseOrSurroundingBackslashes) {
    ScratchFolder dir;
    WriteFile(dir.Path() / "r.ini",
              "; player software\n[SOFTWARE\\SigmaTel\\SigmaTel MSCN Audio Player\\Params]\n"
              "  install folder = /opt/player dir  \nFlags=dword:00000001\n[other]\nx=y\n");
    TRegistry reg(dir.Path() / "r.ini");
    EXPECT_TRUE(reg.KeyExists(kKey));
    EXPECT_FALSE(reg.KeyExists("\\software\\SigmaTel\\"));
    ASSERT_TRUE(reg.OpenKey(kKey));
    EXPECT_EQ(reg.ReadString("Install Folder"), "/opt/player dir");
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_THROW(reg.ReadString("Flags"), ERegistryException);
    reg.CloseKey();
    EXPECT_EQ(reg.ReadString("Install Folder"), "");
}

TEST(Registry, MissingFileIsAnEmptyHiveAndTheEnvironmentPicksTheFile) {
    ScratchFolder dir;
    EXPECT_FALSE(TRegistry(dir.Path() / "none.ini").KeyExists(kKey));
    EXPECT_FALSE(TRegistry(dir.Path() / "none.ini").OpenKey(kKey));
    const yeroup::test::ScopedEnvironment registryFile("YEROUP_REGISTRY_FILE", (dir.Path() / "env.ini").string());
    EXPECT_EQ(DefaultRegistryFile(), dir.Path() / "env.ini");
    registryFile.Set(std::nullopt);
    // Without a registry file the user's Wine prefix holds the hive.
    const yeroup::test::ScopedEnvironment prefix("WINEPREFIX", (dir.Path() / "prefix").string());
    EXPECT_EQ(DefaultRegistryFile(), std::filesystem::exists("/etc/yeroup/registry.ini")
                                         ? std::filesystem::path("/etc/yeroup/registry.ini")
                                         : dir.Path() / "prefix" / "system.reg");
}

TEST(Registry, WinePrefixHiveGivesTheInstallFolderAsALocalPath) {
    ScratchFolder dir;
    const auto prefix = dir.Path() / "prefix";
    const auto drive = std::filesystem::canonical(dir.Path()) / "prefix" / "drive_c";
    std::filesystem::create_directories(prefix / "drive_c" / "Program Files (x86)" / "SigmaTel" / "Player");
    std::filesystem::create_directories(prefix / "dosdevices");
    std::filesystem::create_symlink("../drive_c", prefix / "dosdevices" / "c:");
    const std::string player = (drive / "Program Files (x86)" / "SigmaTel" / "Player").string();
    const std::string environment =
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion] 1\n"
        "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\n\"ProgramFilesDir (x86)\"=\"C:\\\\Program Files (x86)\"\n"
        "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\Environment] 1\n"
        "\"PlayerHome\"=str(2):\"%ProgramFiles(x86)%\\\\SigmaTel\"\n";
    const std::string key32 = "[Software\\\\Wow6432Node\\\\SigmaTel\\\\SigmaTel MSCN Audio Player\\\\Params] 1\n";
    const std::string key64 = "[Software\\\\SigmaTel\\\\SigmaTel MSCN Audio Player\\\\Params] 1\n";
    const struct {
        std::string arch;
        std::string keys;
        std::string folder;
    } cases[] = {
        // A 32-bit installer in a 64-bit prefix writes to the 32-bit programs' view, which comes first.
        {"win64",
         key64 + "\"Install Folder\"=\"C:\\\\Other\"\n" + key32 +
             "\"Install Folder\"=\"C:\\\\Program Files (x86)\\\\SigmaTel\\\\Player\"\n",
         player},
        {"win64", key64 + "\"Install Folder\"=\"C:\\\\Program Files (x86)\\\\SigmaTel\\\\Player\"\n", player},
        // An expandable value sees the folders a 32-bit program sees, and the system environment.
        {"win64", key32 + "\"Install Folder\"=str(2):\"%ProgramFiles%\\\\SigmaTel\\\\Player\"\n", player},
        {"win64", key32 + "\"Install Folder\"=str(2):\"%PLAYERHOME%\\\\Player%Unknown%\"\n", player + "%Unknown%"},
        // A plain string is not expanded; it names no drive.
        {"win64", key32 + "\"Install Folder\"=\"%ProgramFiles%\\\\SigmaTel\"\n", ""},
        // In a 32-bit prefix there is only one view.
        {"win32",
         key32 + "\"Install Folder\"=\"C:\\\\Other\"\n" + key64 +
             "\"Install Folder\"=str(2):\"%ProgramFiles(x86)%\\\\SigmaTel\\\\Player\"\n",
         player},
    };
    for (const auto& c : cases) {
        WriteFile(prefix / "system.reg", "WINE REGISTRY Version 2\n#arch=" + c.arch + "\n\n" + environment + c.keys);
        EXPECT_EQ(WinePrefixOf(prefix / "system.reg"), prefix);
        TRegistry reg(prefix / "system.reg");
        ASSERT_TRUE(reg.KeyExists(kKey)) << c.keys;
        ASSERT_TRUE(reg.OpenKey(kKey));
        EXPECT_EQ(reg.ReadFolder("Install Folder"), c.folder) << c.keys;
    }
    EXPECT_EQ(WinePrefixOf(dir.Path() / "none.ini"), "");
}

TEST(Registry, OurFileFormGivesFoldersAsTheyStand) {
    ScratchFolder dir;
    WriteFile(dir.Path() / "r.ini", "[software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params]\nInstall Folder=C:\\x\n");
    TRegistry reg(dir.Path() / "r.ini");
    ASSERT_TRUE(reg.OpenKey(kKey));
    EXPECT_EQ(reg.ReadFolder("Install Folder"), "C:\\x");
    EXPECT_EQ(WinePrefixOf(dir.Path() / "r.ini"), "");
}
