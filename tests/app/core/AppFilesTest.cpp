#include "app/core/AppFiles.h"

#include <gtest/gtest.h>
#include <stdlib.h>

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
    ::unsetenv("YEROUP_UPDATE_HOST");
    EXPECT_EQ(UpdateHostFromEnvironment(), "127.0.0.1:8765");
    ::setenv("YEROUP_UPDATE_HOST", "update.example:81", 1);
    EXPECT_EQ(UpdateHostFromEnvironment(), "update.example:81");
    ::setenv("YEROUP_UPDATE_HOST", "", 1);
    EXPECT_EQ(UpdateHostFromEnvironment(), "127.0.0.1:8765");
    ::unsetenv("YEROUP_UPDATE_HOST");
}
