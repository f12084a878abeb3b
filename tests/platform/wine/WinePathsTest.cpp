#include "platform/wine/WinePaths.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::platform;
using yeroup::test::ScratchFolder;

TEST(WinePaths, WindowsFoldersMapThroughThePrefixDrives) {
    ScratchFolder dir;
    const auto prefix = dir.Path() / "prefix";
    const auto elsewhere = std::filesystem::canonical(dir.Path()) / "elsewhere";
    const auto drive = std::filesystem::canonical(dir.Path()) / "prefix" / "drive_c";
    std::filesystem::create_directories(prefix / "drive_c" / "Program Files" / "SigmaTel" / "播放器");
    std::filesystem::create_directories(prefix / "dosdevices");
    std::filesystem::create_directories(elsewhere);
    std::filesystem::create_symlink("../drive_c", prefix / "dosdevices" / "c:");
    std::filesystem::create_symlink(elsewhere, prefix / "dosdevices" / "d:");
    const std::string player = (drive / "Program Files" / "SigmaTel" / "播放器").string();
    const struct {
        std::string windows;
        std::string local;
    } cases[] = {
        {"C:\\Program Files\\SigmaTel\\播放器", player},
        {"c:\\PROGRAM FILES\\sigmatel\\播放器\\", player},  // names as Wine finds them, without regard to case
        {"  C:/Program Files/SigmaTel/./播放器 ", player},
        {"\\\\?\\C:\\Program Files\\SigmaTel\\播放器", player},
        {"C:\\Program Files\\SigmaTel\\New Player", (drive / "Program Files" / "SigmaTel" / "New Player").string()},
        {"C:\\Program Files\\..\\..\\..\\Player", (drive / "Player").string()},  // ".." stops at the drive's root
        {"C:", drive.string()},
        {"d:\\x", (elsewhere / "x").string()},
        {"E:\\x", ""},  // no such drive
        {"SigmaTel\\Player", ""},
        {"\\\\server\\share", ""},
        {"", ""},
        {"/opt/player", "/opt/player"},
    };
    for (const auto& c : cases) EXPECT_EQ(WindowsToLocalPath(prefix, c.windows), c.local) << c.windows;

    // A prefix without drive links still has its drive C:.
    std::filesystem::remove_all(prefix / "dosdevices");
    EXPECT_EQ(WindowsToLocalPath(prefix, "C:\\Program Files\\SigmaTel\\播放器"), player);
    EXPECT_EQ(WindowsToLocalPath(prefix, "D:\\x"), "");
}

TEST(WinePaths, PrefixComesFromTheEnvironmentElseTheHomeFolder) {
    const yeroup::test::ScopedEnvironment home("HOME", "/home/someone"), prefix("WINEPREFIX", "/srv/wine");
    EXPECT_EQ(DefaultWinePrefix(), "/srv/wine");
    prefix.Set(std::nullopt);
    EXPECT_EQ(DefaultWinePrefix(), "/home/someone/.wine");
}
