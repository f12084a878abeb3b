// Archives made at test time by tools written elsewhere (Info-ZIP, Python's zipfile, bsdtar):
// every extracted byte must equal the original.
#include <gtest/gtest.h>

#include <map>

#include "platform/files/Files.h"
#include "tests/support/ExpectThrow.h"
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

    // Cut in the middle of the big entry: the open fails naming the archive as damaged.
    WriteFile(src_ / "cut.zip", good.substr(0, at + 2000));
    archiver_.FileName = src_ / "cut.zip";
    if (const auto e = yeroup::test::Thrown<EZFException>([&] { archiver_.OpenArchive(kOpenReadDenyWrite); })) {
        EXPECT_EQ(e->NativeError(), zfeEntryCutShort) << e->what();
    }
}

// A small package cut at every byte, as a broken download leaves it, either fails or gives every
// entry whole: never a shorter set of files.
TEST_F(RealToolArchives, EveryCutPointFailsOrExtractsEverything) {
    std::map<std::string, std::string> small = {{"stupdaterapp.exe", NoiseBytes(600, 11)},
                                                {"firmware.sb", TextBytes(1200, 12)},
                                                {"res/lang.txt", TextBytes(300, 13)},
                                                {"res/empty.dat", ""}};
    for (const auto& [name, data] : small) WriteFile(src_ / ("pkg/" + name), data);
    WriteFile(src_ / "stream.py",
              "import io, os, sys, zipfile\n"
              "class Pipe(io.RawIOBase):\n"
              "    def writable(self): return True\n"
              "    def write(self, b): return sys.stdout.buffer.write(b)\n"
              "with zipfile.ZipFile(Pipe(), 'w', zipfile.ZIP_DEFLATED) as z:\n"
              "    for root, dirs, files in os.walk('.'):\n"
              "        for f in sorted(files):\n"
              "            p = os.path.join(root, f)[2:]\n"
              "            with open(p, 'rb') as src, z.open(p, 'w', force_zip64=True) as dst:\n"
              "                dst.write(src.read())\n");
    // Every byte for Info-ZIP's package; a stride through the others keeps the run short.
    const struct {
        const char* tool;
        const char* command;
        std::size_t stride;
    } tools[] = {
        {"Info-ZIP", "cd pkg && zip -q -r -9 ../p.zip .", 1},
        {"zipfile streamed Zip64", "cd pkg && python3 ../stream.py > ../p.zip", 7},
        {"bsdtar", "cd pkg && bsdtar --format zip -cf ../p.zip .", 7},
    };
    archiver_.Options.FlushBuffers = false;
    for (const auto& t : tools) {
        fs::remove(src_ / "p.zip");
        ASSERT_EQ(RunTool(t.command, src_.Path()), 0) << t.tool;
        const std::string whole = ReadFile(src_ / "p.zip");
        int failed = 0, complete = 0;
        for (std::size_t cut = 1; cut <= whole.size() + 4; cut += cut < whole.size() ? t.stride : 1) {
            // Past the end: 4 bytes appended, so the end record is no longer where it belongs.
            WriteFile(src_ / "c.zip",
                      cut <= whole.size() ? whole.substr(0, cut) : whole + std::string(cut - whole.size(), 'j'));
            fs::remove_all(out_.Path() / "player");
            try {
                ExtractAll(src_ / "c.zip");
            } catch (const std::exception&) {
                archiver_.CloseArchive();
                ++failed;
                continue;
            }
            if (archiver_.LastRun().Failed != 0) {
                ++failed;
                continue;
            }
            for (const auto& [name, data] : small)
                ASSERT_TRUE(ReadFile(out_ / ("player/" + name)) == data) << t.tool << " cut at " << cut << ": " << name;
            ++complete;
        }
        EXPECT_GE(complete, 5) << t.tool << ": the whole archive and its appended copies extract";
        EXPECT_GT(failed, 0) << t.tool;
    }
    EXPECT_TRUE(prompts_.asked.size() < 1000u);
}

// Made on Linux: execute bits survive, set-id bits never do, and a symbolic link is not made a link.
TEST_F(RealToolArchives, UnixModesAreKeptWithoutSetIdAndLinksStayFiles) {
    ASSERT_EQ(RunTool("chmod 0755 tree/tools/stupdaterapp.exe && chmod 4750 tree/readme.txt && "
                      "ln -s /etc/passwd tree/link && zip -q -r -y m.zip tree",
                      src_.Path()),
              0);
    ExtractAll(src_ / "m.zip");
    auto mode = [&](const std::string& name) {
        return static_cast<unsigned>(fs::status(out_ / ("player/tree/" + name)).permissions() & fs::perms::mask);
    };
    EXPECT_EQ(mode("tools/stupdaterapp.exe"), 0755u);
    EXPECT_EQ(mode("readme.txt"), 0750u);
    EXPECT_FALSE(fs::is_symlink(out_ / "player/tree/link"));
    EXPECT_EQ(ReadFile(out_ / "player/tree/link"), "/etc/passwd");
}

// 7-Zip's AES entries have no decoder here: one failure event at once, no password question.
TEST_F(RealToolArchives, AesEntryFailsAtOnceWithoutAskingForAPassword) {
    if (RunTool("command -v 7z", src_.Path()) != 0) GTEST_SKIP() << "7z (p7zip-full) is not installed";
    ASSERT_EQ(RunTool("7z a -tzip -mem=AES256 -psecret aes.zip tree/readme.txt", src_.Path()), 0);
    archiver_.Password = "secret";
    prompts_.failureAnswers = {fxaRetry, fxaIgnore};
    ExtractAll(src_ / "aes.zip");
    ASSERT_EQ(prompts_.asked.size(), 2u) << "one failure, retried once";
    EXPECT_EQ(
        prompts_.asked[0],
        "Archiver: Compression method 99 (AES encryption) is not supported - Native error: 00060. File processing "
        "error, possibly disk is full");
    EXPECT_EQ(archiver_.LastRun().Failed, 1);
    EXPECT_FALSE(fs::exists(out_ / "player/tree/readme.txt"));
}

// Rewrites the central directory of an Info-ZIP archive as other writers leave it: "unicode" adds to each
// non-ASCII name the Unicode Path field Info-ZIP writes beside a name in the local code page (its CRC-32 that
// of the stored name), "stale" the same field as a later rename leaves it (another name's CRC-32), "windows"
// makes every entry one made on Windows (host 0 in "version made by") without the UTF-8 flag (bit 11), which
// zip sets where it finds a UTF-8 locale, whatever LC_ALL says.
constexpr const char* kRewriteNames = R"(import struct, sys, zlib
path, how = sys.argv[1], sys.argv[2]
data = bytearray(open(path, 'rb').read())
end = data.rfind(b'PK\x05\x06')
size, start = struct.unpack_from('<II', data, end + 12)
out, at = bytearray(), start
while at < start + size:
    n, e, c = struct.unpack_from('<HHH', data, at + 28)
    head, rest = bytearray(data[at:at + 46 + n + e]), data[at + 46 + n + e:at + 46 + n + e + c]
    name = bytes(head[46:46 + n])
    if how == 'windows':
        head[5] = 0
        head[9] &= ~0x08
        local = struct.unpack_from('<I', head, 42)[0]
        data[local + 7] &= ~0x08
    elif max(name) >= 0x80:
        utf8 = name.decode('gbk').encode('utf-8')
        crc = zlib.crc32(name if how == 'unicode' else name + b'~')
        head += struct.pack('<HHBI', 0x7075, 5 + len(utf8), 1, crc) + utf8
        struct.pack_into('<H', head, 30, len(head) - 46 - n)
    out += head + rest
    at += 46 + n + e + c
data[start:start + size] = out
struct.pack_into('<I', data, start + len(out) + 12, len(out))
open(path, 'wb').write(data)
)";

// Every way writers mark a name: the player software finds the files under the names they were made with.
TEST_F(RealToolArchives, NamesLandAsTheWriterMeantThem) {
    // "目录/图片.bmp" in code page 936: bytes that also read as UTF-8 ("Ŀ¼/ͼƬ.bmp"), so only the marks decide.
    const std::string gbkBytes = "\xC4\xBF\xC2\xBC/\xCD\xBC\xC6\xAC.bmp";
    const std::string gbkName = "\xE7\x9B\xAE\xE5\xBD\x95/\xE5\x9B\xBE\xE7\x89\x87.bmp";
    const std::string misread = "\xC4\xBF\xC2\xBC/\xCD\xBC\xC6\xAC.bmp";  // the same bytes taken for UTF-8
    const std::string utf8Name = "\xE5\x9B\xBA\xE4\xBB\xB6/\xE8\xAF\xB4\xE6\x98\x8E.txt";  // "固件/说明.txt"
    const std::string gbkOnly = "\xB9\xCC\xBC\xFE.bin";                                    // "固件.bin", no UTF-8
    WriteFile(src_ / ("gbk/" + gbkBytes), "gbk");
    WriteFile(src_ / ("gbk-only/" + gbkOnly), "gbk");
    WriteFile(src_ / ("utf8/" + utf8Name), "utf8");
    WriteFile(src_ / "names.py", kRewriteNames);
    WriteFile(src_ / "flagged.py",
              "import zipfile\nwith zipfile.ZipFile('a.zip', 'w') as z: z.writestr('" + utf8Name + "', 'utf8')\n");
    fs::create_directories(src_.Path() / "no-locales");
    ASSERT_EQ(RunTool("mkdir locales && localedef -i en_US -f UTF-8 locales/en_US.UTF-8", src_.Path()), 0);
    const struct {
        const char* what;
        std::string command;
        std::string name;
    } cases[] = {
        {"UTF-8, unmarked: zip where C.UTF-8 has no locale data",
         "cd utf8 && LC_ALL=C.UTF-8 LOCPATH=../no-locales zip -q -r ../a.zip .", utf8Name},
        {"UTF-8, flag bit 11: zip in a UTF-8 locale it knows",
         "cd utf8 && LC_ALL=en_US.UTF-8 LOCPATH=../locales zip -q -r ../a.zip .", utf8Name},
        {"UTF-8, flag bit 11: Python's zipfile", "python3 flagged.py", utf8Name},
        {"code page 936 with a Unicode Path field",
         "cd gbk && LC_ALL=C zip -q -r ../a.zip . && python3 ../names.py ../a.zip unicode", gbkName},
        {"a Unicode Path field a rename left stale is not used",
         "cd gbk && LC_ALL=C zip -q -r ../a.zip . && python3 ../names.py ../a.zip stale", misread},
        {"code page 936 made on Windows",
         "cd gbk && LC_ALL=C zip -q -r ../a.zip . && python3 ../names.py ../a.zip windows", gbkName},
        {"code page 936 made on Unix, not UTF-8", "cd gbk-only && LC_ALL=C zip -q ../a.zip *",
         "\xE5\x9B\xBA\xE4\xBB\xB6.bin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(src_.Path() / "a.zip");
        fs::remove_all(out_.Path() / "player");
        ASSERT_EQ(RunTool(c.command, src_.Path()), 0);
        ExtractAll(src_ / "a.zip");
        EXPECT_EQ(ListFiles(out_.Path() / "player"), std::vector<std::string>{c.name});
    }
}

// What zip -y makes of "link link/a.txt": a link entry, then an entry under its name. Nothing lands through the
// link, and the failure blames the archive, not the disk.
TEST_F(RealToolArchives, EntryUnderALinkEntryIsADamagedArchive) {
    ASSERT_EQ(RunTool("mkdir -p t/real && echo x > t/real/a.txt && ln -s real t/link && cd t && "
                      "zip -q -y ../s.zip link link/a.txt",
                      src_.Path()),
              0);
    prompts_.failureAnswers = {fxaIgnore};
    ExtractAll(src_ / "s.zip");
    EXPECT_EQ(prompts_.asked, std::vector<std::string>{"Archiver: Archive is damaged: \"link/a.txt\" is both a "
                                                       "file and a folder - Native error: 00064. File processing "
                                                       "error, possibly disk is full"});
    EXPECT_EQ(archiver_.LastRun().NativeError, zfeFileAndFolder);
    EXPECT_EQ(ListFiles(out_.Path() / "player"), std::vector<std::string>{"link"});
}

// Entries pointing at one another's data are refused before a byte is written.
TEST_F(RealToolArchives, OverlappingEntriesAreRefusedWithNothingWritten) {
    WriteFile(src_ / "bomb.py",
              "import struct, zipfile\n"
              "with zipfile.ZipFile('bomb.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
              "    for i in range(10): z.writestr('zeros%d.bin' % i, bytes(20 << 20))\n"
              "data = bytearray(open('bomb.zip', 'rb').read())\n"
              "at = data.find(b'PK\\x01\\x02')\n"
              "first = struct.unpack_from('<I', data, at + 42)[0]\n"
              "while at >= 0:\n"
              "    struct.pack_into('<I', data, at + 42, first)\n"
              "    at = data.find(b'PK\\x01\\x02', at + 4)\n"
              "open('bomb.zip', 'wb').write(data)\n");
    ASSERT_EQ(RunTool("python3 bomb.py", src_.Path()), 0);
    EXPECT_LT(fs::file_size(src_ / "bomb.zip"), 300000u);
    archiver_.FileName = src_ / "bomb.zip";
    EXPECT_THROW(archiver_.OpenArchive(kOpenReadDenyWrite), EZFException);
    EXPECT_FALSE(fs::exists(out_ / "player"));
}

}  // namespace
}  // namespace yeroup::zip
