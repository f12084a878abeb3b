#include "platform/registry/WineRegistryHive.h"

#include <gtest/gtest.h>

#include "platform/registry/Limits.h"
#include "platform/registry/RegistryLines.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::platform;
using yeroup::test::ScratchFolder;
using yeroup::test::WriteFile;

namespace {

const std::string kParamsKey = "\\software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params\\";
const std::string kKeyLine = "[Software\\\\SigmaTel\\\\SigmaTel MSCN Audio Player\\\\Params] 1796736507\n";

std::string Hive(const std::string& body) {
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n" + body;
}

}  // namespace

TEST(WineRegistryHive, EscapesDecodeAsWineWritesThem) {
    const struct {
        std::string escaped;
        std::string text;
    } cases[] = {
        {R"(C:\\Program Files\\SigmaTel)", R"(C:\Program Files\SigmaTel)"},
        {R"(\x64ad\x653e\x5668)", "播放器"},
        {R"(\x00e9b \xe9 )", "éb é "},        // four digits when a hex digit follows, else as few as needed
        {R"(\xd83d\xde00!)", "\U0001F600!"},  // a surrogate pair
        {R"(\xd83d!)", "\uFFFD!"},            // a surrogate without its partner
        {R"(say \"hi\" \q)", R"(say "hi" q)"},
        {R"(\101\t\n\x)", "A\t\nx"},
        {"播放器 \xE9", "播放器 \u00E9"},  // UTF-8 as it stands; a byte that starts none is Latin-1
        {R"(a\0b)", "a"},                  // a string ends at its first zero
        {"end\\", "end\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(UnescapeWineString(c.escaped), c.text) << c.escaped;
}

TEST(WineRegistryHive, ReadsTheAskedKeysWithTheirTypes) {
    ScratchFolder dir;
    const auto file = dir.Path() / "system.reg";
    WriteFile(file, Hive("[Software\\\\Other] 1\n\"Install Folder\"=\"wrong key\"\n\n" + kKeyLine +
                         "#time=1dd871801d4b938\r\n"
                         "\"Install Folder\"=\"C:\\\\Program Files\\\\SigmaTel\\\\\\x64ad\\x653e\\x5668\"\r\n"
                         "\"Exp\"=str(2):\"%ProgramFiles%\\\\SigmaTel\"\n"
                         "\"Hex2\"=hex(2):43,00,3a,00,5c,00,\\\n  41,00,00,00\n"
                         "\"Flags\"=dword:00000001\n"
                         "\"Bin\"=hex:01,02,\\\n  03\n"
                         "\"Multi\"=str(7):\"a\\0b\\0\"\n"
                         "\"Broken\"=str(2:\"x\"\n"
                         "@=\"default\"\n"
                         "\n[Software\\\\A\\]B] 1\n\"x\"=\"y\"\n"));
    ASSERT_TRUE(IsWineHive(file));
    EXPECT_TRUE(TWineRegistryHive(file).Is64Bit());
    const auto keys = TWineRegistryHive(file).ReadKeys(
        {kParamsKey, "SOFTWARE\\sigmatel\\sigmatel mscn audio player\\params", "Software\\A]B", "Software\\Missing"});
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys.at("Software\\A]B").at("x").text, "y");
    EXPECT_EQ(keys.at(kParamsKey).size(), keys.at("SOFTWARE\\sigmatel\\sigmatel mscn audio player\\params").size());
    const TRegistryKeyValues& v = keys.at(kParamsKey);
    const struct {
        std::string name;
        bool isString;
        bool isExpandable;
        std::string text;
    } values[] = {
        {"install folder", true, false, "C:\\Program Files\\SigmaTel\\播放器"},
        {"exp", true, true, "%ProgramFiles%\\SigmaTel"},
        {"hex2", true, true, "C:\\A"},
        {"flags", false, false, ""},
        {"bin", false, false, ""},
        {"multi", false, false, ""},
        {"", true, false, "default"},
    };
    EXPECT_EQ(v.size(), std::size(values));
    for (const auto& expected : values) {
        ASSERT_TRUE(v.count(expected.name)) << expected.name;
        const TRegistryValue& value = v.at(expected.name);
        EXPECT_EQ(value.isString, expected.isString) << expected.name;
        EXPECT_EQ(value.isExpandable, expected.isExpandable) << expected.name;
        EXPECT_EQ(value.text, expected.text) << expected.name;
    }
}

TEST(WineRegistryHive, OnlyWinesHeaderMakesAHive) {
    ScratchFolder dir;
    const struct {
        std::string text;
        bool hive;
    } cases[] = {
        {"WINE REGISTRY Version 2\n", true},
        {"WINE REGISTRY Version 2", true},
        {"WINE REGISTRY Version 2\r\n", true},
        {"WINE REGISTRY Version 20\n", false},
        {"[software\\SigmaTel]\nInstall Folder=/opt\n", false},
        {"", false},
    };
    for (const auto& c : cases) {
        WriteFile(dir.Path() / "r", c.text);
        EXPECT_EQ(IsWineHive(dir.Path() / "r"), c.hive) << c.text;
    }
    EXPECT_FALSE(IsWineHive(dir.Path() / "missing"));
    WriteFile(dir.Path() / "r", "WINE REGISTRY Version 2\n#arch=win32\n[x] 1\n#arch=win64\n");
    EXPECT_FALSE(TWineRegistryHive(dir.Path() / "r").Is64Bit());
}

TEST(WineRegistryHive, LinesPastTheLimitAreLeftOutAndAKeyLinePastItEndsTheKey) {
    ScratchFolder dir;
    const auto file = dir.Path() / "system.reg";
    const std::string fits = "\"Fits\"=\"";  // the value line is exactly as long as the limit
    const std::string longValue = fits + std::string(kMaxHiveLineBytes - fits.size() - 1, 'a') + "\"";
    const std::string tooLong = "\"Long\"=\"" + std::string(kMaxHiveLineBytes - fits.size(), 'a') + "\"";
    // Joined continuation lines count together.
    const std::string hexTooLong = "\"Hex\"=hex(2):" + std::string(kMaxHiveLineBytes / 2, ',') + "\\\n  " +
                                   std::string(kMaxHiveLineBytes / 2, ',') + "\n";
    const std::string longKey = "[Software\\\\" + std::string(kMaxHiveLineBytes, 'k') + "] 1\n";
    WriteFile(file, Hive(kKeyLine + longValue + "\r\n" + tooLong + "\n" + hexTooLong +
                         "\"Install Folder\"=\"C:\\\\P\"\n" + longKey + "\"After\"=\"x\"\n"));
    const TRegistryKeyValues v = TWineRegistryHive(file).ReadKeys({kParamsKey}).at(kParamsKey);
    EXPECT_EQ(v.at("fits").text.size(), kMaxHiveLineBytes - fits.size() - 1);
    EXPECT_FALSE(v.count("long"));
    EXPECT_FALSE(v.count("hex"));
    EXPECT_EQ(v.at("install folder").text, "C:\\P");
    EXPECT_FALSE(v.count("after"));
}

TEST(WineRegistryHive, AFileLargerThanTheLimitIsRefused) {
    ScratchFolder dir;
    const auto file = dir.Path() / "system.reg";
    // Sparse files: the key, then zeros up to the size.
    WriteFile(file, Hive(kKeyLine + "\"Install Folder\"=\"C:\\\\P\"\n"));
    std::filesystem::resize_file(file, kMaxHiveBytes);
    EXPECT_EQ(TWineRegistryHive(file).ReadKeys({kParamsKey}).at(kParamsKey).at("install folder").text, "C:\\P");
    std::filesystem::resize_file(file, kMaxHiveBytes + 1);
    EXPECT_THROW_TEXT(TWineRegistryHive(file).ReadKeys({kParamsKey}), ERegistryException,
                      "The registry file " + file.string() + " is larger than 256 MiB");
}
