#include "platform/desktop/Registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

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
    ::setenv("YEROUP_REGISTRY_FILE", (dir.Path() / "env.ini").c_str(), 1);
    EXPECT_EQ(DefaultRegistryFile(), dir.Path() / "env.ini");
    ::unsetenv("YEROUP_REGISTRY_FILE");
    EXPECT_EQ(DefaultRegistryFile(), "/etc/yeroup/registry.ini");
}
