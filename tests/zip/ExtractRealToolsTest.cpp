// Archives made at test time by tools written elsewhere (Info-ZIP, Python's zipfile, bsdtar):
// every extracted byte must equal the original.
#include <gtest/gtest.h>

#include <map>

#include "platform/files/Files.h"
#include "tests/zip/ZipTestSupport.h"
#include "zip/Archiver.h"

namespace yeroup::zip {
namespace {

using namespace test;
namespace fs = std::filesystem;

class RealToolArchives : public ::testing::Test {
protected:
    void SetUp() override {
        files_ = {
            {"readme.txt", TextBytes(5000, 1)},
            {"firmware/image.bin", NoiseBytes(300000, 2)},
            {"firmware/notes/log.txt", TextBytes(2500000, 3)},
            {"firmware/empty.dat", ""},
            {"tools/stupdaterapp.exe", NoiseBytes(70000, 4) + TextBytes(70000, 5)},
        };
        for (const auto& [name, data] : files_) WriteFile(src_ / ("tree/" + name), data);
        fs::create_directories(src_.Path() / "tree/emptydir");
        archiver_.Name = "Archiver";
        archiver_.SetPrompts(&prompts_);
    }

    // Opens the archive the way the upgrade does and extracts everything.
    void ExtractAll(const std::string& archive) {
        archiver_.FileName = archive;
        archiver_.OpenArchive(kOpenReadDenyWrite);
        archiver_.BaseDir = out_ / "player";
        archiver_.ExtractFiles("*.*", kSearchAllAttributes, "");
        archiver_.CloseArchive();
    }

    void ExpectTreeExtracted(const std::string& root) {
        for (const auto& [name, data] : files_) {
            const std::string path = out_ / ("player/" + root + name);
            ASSERT_TRUE(fs::exists(path)) << path;
            EXPECT_TRUE(ReadFile(path) == data) << name;
        }
        EXPECT_TRUE(fs::is_directory(out_ / ("player/" + root + "emptydir")));
        EXPECT_TRUE(prompts_.asked.empty()) << prompts_.asked.front();
    }

    std::map<std::string, std::string> files_;
    ScratchFolder src_;
    ScratchFolder out_;
    ScriptedPrompts prompts_;
    TZFZipArchiver archiver_;
};

TEST_F(RealToolArchives, InfoZipStoredAndDeflatedWithFolders) {
    ASSERT_EQ(RunTool("zip -q -r -0 stored.zip tree", src_.Path()), 0);
    ASSERT_EQ(RunTool("zip -q -r -9 deflated.zip tree", src_.Path()), 0);
    ExtractAll(src_ / "stored.zip");
    ExpectTreeExtracted("tree/");
    fs::remove_all(out_.Path() / "player");
    ExtractAll(src_ / "deflated.zip");
    ExpectTreeExtracted("tree/");
}

TEST_F(RealToolArchives, FileTimesFollowTheEntries) {
    ASSERT_EQ(RunTool("touch -t 202001021304.06 tree/readme.txt && zip -q -r t.zip tree", src_.Path()), 0);
    ExtractAll(src_ / "t.zip");
    std::uint32_t stamp = 0;
    ASSERT_TRUE(platform::GetFileDosDateTime(out_ / "player/tree/readme.txt", stamp));
    const std::uint32_t expected = ((2020 - 1980) << 9 | 1 << 5 | 2) << 16 | (13 << 11 | 4 << 5 | 3);
    EXPECT_EQ(stamp, expected);
}

TEST_F(RealToolArchives, InfoZipEncryptedWithPasswordAndPrompt) {
    ASSERT_EQ(RunTool("zip -q -r -P 'se cret' enc.zip tree", src_.Path()), 0);
    archiver_.Password = "se cret";
    ExtractAll(src_ / "enc.zip");
    ExpectTreeExtracted("tree/");

    // A wrong password asks once per entry; a cancelled query skips the entry, leaving nothing.
    fs::remove_all(out_.Path() / "player");
    archiver_.Password = "wrong";
    prompts_.passwords = {"still wrong", "se cret"};
    ExtractAll(src_ / "enc.zip");
    ASSERT_GE(prompts_.asked.size(), 2u);
    EXPECT_EQ(prompts_.asked[0].substr(0, 14), "Password for \"");
    EXPECT_NE(prompts_.asked[0].find("|Enter password: "), std::string::npos);
    EXPECT_EQ(archiver_.Password, "se cret");
    EXPECT_TRUE(ReadFile(out_ / "player/tree/readme.txt") == files_["readme.txt"]);

    fs::remove_all(out_.Path() / "player");
    archiver_.Password.clear();
    prompts_.passwords.clear();
    ExtractAll(src_ / "enc.zip");
    for (const std::string& f : ListFiles(out_.Path())) ADD_FAILURE() << "left behind: " << f;
}

TEST_F(RealToolArchives, InfoZipLongestCommentAndSelfExtractingPrefix) {
    WriteFile(src_ / "comment.py", "import sys\nsys.stdout.write(('d'*99+'\\n')*648 + 'e'*87)\n");
    ASSERT_EQ(RunTool("zip -q -r c.zip tree && python3 comment.py | zip -q -z c.zip", src_.Path()), 0);
    archiver_.FileName = src_ / "c.zip";
    archiver_.OpenArchive(kOpenReadDenyWrite);
    ASSERT_NE(archiver_.DirManager(), nullptr);
    EXPECT_EQ(archiver_.DirManager()->Comment().size(), 65535u);
    archiver_.CloseArchive();
    ExtractAll(src_ / "c.zip");
    ExpectTreeExtracted("tree/");

    fs::remove_all(out_.Path() / "player");
    WriteFile(src_ / "prefix.bin", "MZ" + NoiseBytes(40000, 9));
    ASSERT_EQ(RunTool("zip -q -r plain.zip tree && cat prefix.bin plain.zip > sfx.zip", src_.Path()), 0);
    archiver_.FileName = src_ / "sfx.zip";
    archiver_.OpenArchive(kOpenReadDenyWrite);
    EXPECT_EQ(archiver_.DirManager()->DataStartOffset(), 40002u);
    archiver_.CloseArchive();
    ExtractAll(src_ / "sfx.zip");
    ExpectTreeExtracted("tree/");
}

TEST_F(RealToolArchives, PythonZip64Records) {
    // Lowering the module's limits makes zipfile write every Zip64 structure for small files.
    WriteFile(src_ / "mk.py",
              "import os, zipfile\n"
              "zipfile.ZIP64_LIMIT = 0\n"
              "zipfile.ZIP_FILECOUNT_LIMIT = 0\n"
              "with zipfile.ZipFile('z64.zip', 'w', zipfile.ZIP_DEFLATED, allowZip64=True) as z:\n"
              "    for root, dirs, files in os.walk('tree'):\n"
              "        for d in dirs: z.write(os.path.join(root, d))\n"
              "        for f in files:\n"
              "            p = os.path.join(root, f)\n"
              "            with open(p, 'rb') as src, z.open(p, 'w', force_zip64=True) as dst:\n"
              "                dst.write(src.read())\n");
    ASSERT_EQ(RunTool("python3 mk.py", src_.Path()), 0);
    archiver_.FileName = src_ / "z64.zip";
    archiver_.OpenArchive(kOpenReadDenyWrite);
    EXPECT_TRUE(archiver_.DirManager()->IsZip64());
    bool anyZip64Entry = false;
    for (int i = 0; i < archiver_.DirManager()->Count(); ++i)
        anyZip64Entry = anyZip64Entry || archiver_.DirManager()->Items().ItemRef(i).useZip64;
    EXPECT_TRUE(anyZip64Entry);
    archiver_.CloseArchive();
    ExtractAll(src_ / "z64.zip");
    ExpectTreeExtracted("tree/");
}

TEST_F(RealToolArchives, BsdtarZipFormat) {
    ASSERT_EQ(RunTool("bsdtar --format zip -cf b.zip tree", src_.Path()), 0);
    ExtractAll(src_ / "b.zip");
    ExpectTreeExtracted("tree/");
}

TEST_F(RealToolArchives, DamagedCopiesOfARealArchive) {
    ASSERT_EQ(RunTool("zip -q -r -9 d.zip tree", src_.Path()), 0);
    const std::string good = ReadFile(src_ / "d.zip");

    // Bytes appended after the end record: no valid end record, the rebuild still extracts all.
    WriteFile(src_ / "appended.zip", good + "appended junk");
    ExtractAll(src_ / "appended.zip");
    ExpectTreeExtracted("tree/");
    fs::remove_all(out_.Path() / "player");

    // A damaged byte inside the big text entry: that entry fails and leaves nothing behind.
    std::string damaged = good;
    const std::size_t at = damaged.find("tree/firmware/notes/log.txt");
    ASSERT_NE(at, std::string::npos);
    damaged[at + 27 + 28 + 5000] ^= 0x55;
    WriteFile(src_ / "damaged.zip", damaged);
    ExtractAll(src_ / "damaged.zip");
    EXPECT_FALSE(fs::exists(out_ / "player/tree/firmware/notes/log.txt"));
    ASSERT_EQ(prompts_.asked.size(), 1u);
    EXPECT_NE(prompts_.asked[0].find("Native error: 00008"), std::string::npos);
    EXPECT_TRUE(ReadFile(out_ / "player/tree/readme.txt") == files_["readme.txt"]);
    prompts_.asked.clear();
    fs::remove_all(out_.Path() / "player");

    // Cut in the middle of the big entry: the rebuild finds the entries before the cut, the cut
    // one fails and no partial file stays.
    WriteFile(src_ / "cut.zip", good.substr(0, at + 2000));
    ExtractAll(src_ / "cut.zip");
    EXPECT_FALSE(fs::exists(out_ / "player/tree/firmware/notes/log.txt"));
    for (const std::string& f : ListFiles(out_.Path()))
        EXPECT_EQ(f.find(".~yz"), std::string::npos) << "temporary file left: " << f;
}

}  // namespace
}  // namespace yeroup::zip
