#include "platform/files/DataFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/ScratchFolder.h"

using namespace yeroup::platform;

TEST(DataFolder, XdgDataHomeIsTakenOnlyWhenAbsolute) {
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    ::setenv("HOME", "/home/someone", 1);
    const struct {
        const char* value;  // null: unset
        std::string folder;
    } cases[] = {
        {"/data/me", "/data/me"},
        {nullptr, "/home/someone/.local/share"},
        {"", "/home/someone/.local/share"},
        {"relative/share", "/home/someone/.local/share"},
    };
    for (const auto& c : cases) {
        if (c.value)
            ::setenv("XDG_DATA_HOME", c.value, 1);
        else
            ::unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(XdgDataHome(), c.folder) << (c.value ? c.value : "(unset)");
    }
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("HOME");
    EXPECT_FALSE(HomeFolder().empty());  // from the user's account
    ::setenv("HOME", savedHome.c_str(), 1);
}

TEST(DataFolder, WritableFolders) {
    yeroup::test::ScratchFolder dir;
    EXPECT_TRUE(FolderWritable(dir.Path().string()));
    EXPECT_FALSE(FolderWritable((dir.Path() / "missing").string()));
}
