#include "app/core/AppFiles.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"

using yeroup::app::ChooseFilesFolder;
using yeroup::app::TAppFiles;
using yeroup::app::UpdateHostFromEnvironment;

namespace {
// "播放器" in code page 936.
const std::string kGbkName = "\xB2\xA5\xB7\xC5\xC6\xF7";
}  // namespace

TEST(AppFiles, LocalFilesLiveBesideTheExecutable) {
    const TAppFiles files("/opt/yeroup", "h:1");
    EXPECT_EQ(files.ExeFolder(), "/opt/yeroup/");
    EXPECT_EQ(files.CatalogueFile(), "/opt/yeroup/YEROMP3LiveUpdate.ini");
    EXPECT_EQ(files.SelectionFile(), "/opt/yeroup/user.ini");
    EXPECT_EQ(files.PackageStore(), "/opt/yeroup/FirmwareBack");
    EXPECT_EQ(files.PageFile("B", "1.1"), "/opt/yeroup/FirmwareBack/B_1.1.htm");
    EXPECT_EQ(files.PackageFile("B", "1.1"), "/opt/yeroup/FirmwareBack/B_1.1.zip");
    EXPECT_EQ(files.PageFile("", ""), "/opt/yeroup/FirmwareBack/_.htm");
}

TEST(AppFiles, CatalogueNamesGoIntoUrlsAsBytesAndIntoFileNamesAsUtf8) {
    const TAppFiles files("/x/", "127.0.0.1:8765");
    EXPECT_EQ(files.CatalogueUrl(), "http://127.0.0.1:8765/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini");
    EXPECT_EQ(files.HomeUrl(), "http://127.0.0.1:8765/YEROMP3LiveUpdate");
    EXPECT_EQ(files.PageUrl("B", "1.1"), "http://127.0.0.1:8765/YEROMP3LiveUpdate/Firmware/B/B_1.1.asp");
    EXPECT_EQ(files.PackageUrl(kGbkName, "V 1"),
              "http://127.0.0.1:8765/YEROMP3LiveUpdate/Firmware/" + kGbkName + "/" + kGbkName + "_V 1.zip");
    EXPECT_EQ(files.PageFile(kGbkName, "V1"), "/x/FirmwareBack/播放器_V1.htm");
}

TEST(AppFiles, NamesWithSlashesStayInsideThePackageStore) {
    const TAppFiles files("/x/", "h");
    EXPECT_EQ(files.PackageFile("../../etc", "passwd"), "/x/FirmwareBack/.._.._etc_passwd.zip");
    EXPECT_EQ(files.PageFile("A", "../../b"), "/x/FirmwareBack/A_.._.._b.htm");
}

TEST(AppFiles, UpdateHostComesFromTheEnvironmentOrTheDefault) {
    const yeroup::test::ScopedEnvironment host("YEROUP_UPDATE_HOST", std::nullopt);
    EXPECT_EQ(UpdateHostFromEnvironment(), "127.0.0.1:8765");
    host.Set("update.example:81");
    EXPECT_EQ(UpdateHostFromEnvironment(), "update.example:81");
    host.Set("");
    EXPECT_EQ(UpdateHostFromEnvironment(), "127.0.0.1:8765");
}

TEST(AppFiles, InstalledProgramsKeepTheirFilesInTheUserDataFolder) {
    yeroup::test::ScratchFolder dir;
    const auto portable = dir.Path() / "portable";
    const auto installation = dir.Path() / "usr";
    const auto data = dir.Path() / "data";
    std::filesystem::create_directories(portable);
    yeroup::test::WriteFile(installation / "share" / "applications" / YEROUP_APP_ID ".desktop", "");
    std::filesystem::create_directories(installation / "bin");
    const auto writable = [](const std::string&) { return true; };
    const auto readOnly = [](const std::string&) { return false; };
    const struct {
        std::filesystem::path exe;
        bool (*writable)(const std::string&);
        std::string folder;
    } cases[] = {
        {portable, writable, portable.string() + "/"},
        {portable, readOnly, (data / "yeroup").string() + "/"},
        // Even where it may write (as root), an installation's bin folder is not the program's to fill.
        {installation / "bin", writable, (data / "yeroup").string() + "/"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(data);
        EXPECT_EQ(ChooseFilesFolder(c.exe.string() + "/", data, c.writable), c.folder) << c.exe;
        EXPECT_TRUE(std::filesystem::is_directory(c.folder)) << c.folder;
    }
    EXPECT_EQ(ChooseFilesFolder(portable.string(), data, writable), portable.string() + "/");
}

TEST(AppFiles, UpdateHostTakesAnHttpOrHttpsScheme) {
    const struct {
        const char* setting;
        const char* catalogue;
        bool secure;
    } cases[] = {
        {"h:8765", "http://h:8765/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini", false},
        {"http://h", "http://h/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini", false},
        {"https://update.test:8443/", "https://update.test:8443/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini", true},
        {"HTTPS://h", "https://h/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini", true},
    };
    for (const auto& c : cases) {
        const TAppFiles files("/opt/yeroup", c.setting);
        EXPECT_EQ(files.CatalogueUrl(), c.catalogue) << c.setting;
        EXPECT_EQ(files.SecureHost(), c.secure) << c.setting;
    }
    EXPECT_EQ(TAppFiles::SignatureOf("http://h/a.zip"), "http://h/a.zip.minisig");
    EXPECT_EQ(TAppFiles::PackageName("B", "1.1"), "B_1.1.zip");
}
