#include "platform/files/DataFolder.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::platform;

TEST(DataFolder, XdgDataHomeIsTakenOnlyWhenAbsolute) {
    const yeroup::test::ScopedEnvironment home("HOME", "/home/someone");
    const yeroup::test::ScopedEnvironment xdgDataHome("XDG_DATA_HOME", std::nullopt);
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
        xdgDataHome.Set(c.value ? std::optional<std::string>(c.value) : std::nullopt);
        EXPECT_EQ(XdgDataHome(), c.folder) << (c.value ? c.value : "(unset)");
    }
    xdgDataHome.Set(std::nullopt);
    home.Set(std::nullopt);
    EXPECT_FALSE(HomeFolder().empty());  // from the user's account
}

TEST(DataFolder, WritableFolders) {
    yeroup::test::ScratchFolder dir;
    EXPECT_TRUE(FolderWritable(dir.Path().string()));
    EXPECT_FALSE(FolderWritable((dir.Path() / "missing").string()));
}
