#include "app/core/VersionText.h"

#include <gtest/gtest.h>

using yeroup::app::VersionText;
using yeroup::platform::TFixedFileInfo;

TEST(VersionText, ThirdAndFourthNumberOrTheMissingRecordText) {
    EXPECT_EQ(VersionText(TFixedFileInfo::FromNumbers(1, 2005, 1, 126)), "1.126");
    EXPECT_EQ(VersionText(TFixedFileInfo::FromNumbers(7, 8, 0, 0)), "0.0");
    EXPECT_EQ(VersionText(TFixedFileInfo::FromNumbers(0, 0, 65535, 65535)), "65535.65535");
    EXPECT_EQ(VersionText(std::nullopt), "0.0.0.0");
    // The program's own record is embedded by the build.
    EXPECT_EQ(VersionText(), "1.126");
}
