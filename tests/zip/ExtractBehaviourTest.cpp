// Extraction rules on hand-made archives: overwrite modes, failures and their prompt, safety of
// names, progress events, selection and the archive's life cycle.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/files/Files.h"
#include "tests/support/ExpectThrow.h"
#include "tests/zip/ZipTestSupport.h"
#include "zip/Archiver.h"
#include "zip/Limits.h"

namespace yeroup::zip {
namespace {

using namespace test;
namespace fs = std::filesystem;

class Extraction : public ::testing::Test {
protected:
    void SetUp() override {
        archiver_.Name = "Archiver";
        archiver_.SetPrompts(&prompts_);
        archiver_.BaseDir = dir_ / "out";
    }

    void Open(const std::vector<HandEntry>& entries) {
        WriteFile(dir_ / "a.zip", BuildArchive(entries));
        archiver_.FileName = dir_ / "a.zip";
        archiver_.OpenArchive(kOpenReadDenyWrite);
    }
    void ExtractAll() { archiver_.ExtractFiles("*.*", kSearchAllAttributes, ""); }
    std::string Out(const std::string& name) const { return dir_ / ("out/" + name); }

    ScratchFolder dir_;
    ScriptedPrompts prompts_;
    TZFZipArchiver archiver_;
};

TEST_F(Extraction, EverythingWithDefaultsCreatesTheBaseFolderAndFolders) {
    Open({{.name = "dir/", .data = "", .externalAttributes = 0x10},
          {.name = "dir/sub/deep.txt", .data = TextBytes(3000000, 1), .deflate = true},
          {.name = "NODOT", .data = "x"},
          {.name = "hidden.sys", .data = "h", .externalAttributes = 0x06},
          {.name = "empty.bin", .data = ""},
          {.name = "empty-deflated.bin", .data = "", .deflate = true}});
    std::vector<std::string> events;
    archiver_.OnFileProgress = [&](TZFBaseArchiver* sender, const std::string& name, double progress,
                                   TZFProcessOperation op, TZFProgressPhase phase, bool&) {
        EXPECT_EQ(sender, &archiver_);
        EXPECT_EQ(op, poExtract);
        events.push_back(name + ":" + std::to_string(phase) + ":" + std::to_string(static_cast<int>(progress)));
    };
    ExtractAll();
    EXPECT_TRUE(fs::is_directory(Out("dir/sub")));
    EXPECT_TRUE(ReadFile(Out("dir/sub/deep.txt")) == TextBytes(3000000, 1));
    EXPECT_EQ(ReadFile(Out("NODOT")), "x");
    EXPECT_EQ(ReadFile(Out("hidden.sys")), "h");
    EXPECT_EQ(fs::file_size(Out("empty.bin")), 0u);
    EXPECT_EQ(fs::file_size(Out("empty-deflated.bin")), 0u);
    const std::vector<std::string> expected = {"dir/:0:0",
                                               "dir/:2:100",
                                               "dir/sub/deep.txt:0:0",
                                               "dir/sub/deep.txt:1:0",
                                               "dir/sub/deep.txt:2:100",
                                               "NODOT:0:0",
                                               "NODOT:1:0",
                                               "NODOT:2:100",
                                               "hidden.sys:0:0",
                                               "hidden.sys:1:0",
                                               "hidden.sys:2:100",
                                               "empty.bin:0:0",
                                               "empty.bin:2:100",
                                               "empty-deflated.bin:0:0",
                                               "empty-deflated.bin:1:0",
                                               "empty-deflated.bin:2:100"};
    EXPECT_EQ(events, expected);
    EXPECT_TRUE(prompts_.asked.empty());
}

TEST_F(Extraction, OverallProgressAndAnEmptyArchive) {
    Open({});
    std::vector<std::pair<double, TZFProgressPhase>> overall;
    archiver_.OnOverallProgress = [&](TZFBaseArchiver*, double p, TZFProcessOperation, TZFProgressPhase ph, bool&) {
        overall.push_back({p, ph});
    };
    ExtractAll();
    ASSERT_EQ(overall.size(), 2u);
    EXPECT_EQ(overall[0], std::make_pair(0.0, ppStart));
    EXPECT_EQ(overall[1], std::make_pair(100.0, ppEnd));
    EXPECT_FALSE(fs::exists(Out("")));
}

TEST_F(Extraction, ExistingFilesAreReplacedAlsoReadOnlyOnes) {
    WriteFile(Out("keep.txt"), "old");
    platform::SetFileAttributes(Out("keep.txt"), platform::faReadOnly);
    Open({{.name = "keep.txt", .data = "new", .externalAttributes = 0x21}});
    ExtractAll();
    EXPECT_EQ(ReadFile(Out("keep.txt")), "new");
    // The entry's read-only bit is given to the written file.
    EXPECT_EQ(platform::GetFileAttributes(Out("keep.txt")) & platform::faReadOnly, platform::faReadOnly);

    archiver_.Options.ReplaceReadOnly = false;
    archiver_.CloseArchive();
    Open({{.name = "keep.txt", .data = "newer"}});
    ExtractAll();
    EXPECT_EQ(ReadFile(Out("keep.txt")), "new");
}

// The player software finds its files case-blind: an entry replaces the file whose name matches without case,
// under that file's spelling, and of two entries that match so the later wins, as for a repeated name.
TEST_F(Extraction, NamesMatchWithoutCaseAndKeepTheSpellingThere) {
    WriteFile(Out("Player.dll"), "old dll");
    WriteFile(Out("Resource/lang.txt"), "old lang");
    for (const bool staged : {false, true}) {
        SCOPED_TRACE(staged ? "staged" : "direct");
        archiver_.StagingDir = staged ? dir_ / "stage" : "";
        Open({{.name = "player.dll", .data = "new dll"},
              {.name = "RESOURCE/LANG.TXT", .data = "new lang"},
              {.name = "resource/skins/a.bmp", .data = "a"},
              {.name = "Resource/Skins/b.bmp", .data = "b"},
              {.name = "Firmware.bin", .data = "first"},
              {.name = "FIRMWARE.BIN", .data = "second"},
              // Windows drops trailing dots and spaces: these are Player.dll and Resource/ there too.
              {.name = "player.dll.", .data = "dll with a dot"},
              {.name = "PLAYER.DLL . ", .data = "dll with dots and spaces"},
              {.name = "resource. /skins./c.bmp", .data = "c"}});
        ExtractAll();
        const fs::path written = staged ? dir_ / "stage" : dir_ / "out";
        // Resource/ is spelled as installed; its new folder skins/ as by the first entry in it.
        EXPECT_EQ(ListFiles(written),
                  (std::vector<std::string>{"Firmware.bin", "Player.dll", "Resource/lang.txt", "Resource/skins/a.bmp",
                                            "Resource/skins/b.bmp", "Resource/skins/c.bmp"}));
        EXPECT_EQ(ReadFile(written / "Player.dll"), "dll with dots and spaces");
        EXPECT_EQ(ReadFile(written / "Firmware.bin"), "second");
        archiver_.CloseArchive();
    }
}

TEST_F(Extraction, OverwriteModesCompareDosTimes) {
    // Entry time 2025-01-01 12:00; the existing file is older.
    WriteFile(Out("f.txt"), "old");
    fs::last_write_time(Out("f.txt"), fs::last_write_time(Out("f.txt")) - std::chrono::hours(24 * 365 * 3));
    Open({{.name = "f.txt", .data = "entry"}});
    archiver_.Options.OverwriteMode = omNever;
    ExtractAll();
    EXPECT_EQ(ReadFile(Out("f.txt")), "old");
    archiver_.Options.OverwriteMode = omIfOlder;  // skip unless the entry is older
    ExtractAll();
    EXPECT_EQ(ReadFile(Out("f.txt")), "old");
    archiver_.Options.OverwriteMode = omIfNewer;  // replace when the file is older
    ExtractAll();
    EXPECT_EQ(ReadFile(Out("f.txt")), "entry");
    WriteFile(Out("f.txt"), "fresh");  // now newer than the entry
    ExtractAll();
    EXPECT_EQ(ReadFile(Out("f.txt")), "fresh");
}

TEST_F(Extraction, PromptedOverwriteAnswers) {
    WriteFile(Out("a.txt"), "old a");
    WriteFile(Out("b.txt"), "old b");
    Open({{.name = "a.txt", .data = "new a"}, {.name = "b.txt", .data = "new b"}});
    archiver_.Options.OverwriteMode = omPrompt;
    prompts_.overwriteAnswer = TZFOverwriteAnswer::No;
    ExtractAll();
    ASSERT_EQ(prompts_.asked.size(), 2u);
    EXPECT_EQ(prompts_.asked[0], "Overwrite file \"" + Out("a.txt") + "\" with \"a.txt\"");
    EXPECT_EQ(ReadFile(Out("a.txt")), "old a");

    prompts_.asked.clear();
    prompts_.overwriteAnswer = TZFOverwriteAnswer::NoToAll;
    ExtractAll();
    EXPECT_EQ(prompts_.asked.size(), 1u);
    EXPECT_EQ(ReadFile(Out("b.txt")), "old b");

    prompts_.asked.clear();
    prompts_.overwriteAnswer = TZFOverwriteAnswer::YesToAll;
    ExtractAll();
    EXPECT_EQ(prompts_.asked.size(), 1u);
    EXPECT_EQ(archiver_.Options.OverwriteMode, omAlways);
    EXPECT_EQ(ReadFile(Out("a.txt")), "new a");
    EXPECT_EQ(ReadFile(Out("b.txt")), "new b");

    // A handler replaces the prompt and may redirect the destination.
    archiver_.Options.OverwriteMode = omPrompt;
    archiver_.OnConfirmOverwrite = [&](TZFBaseArchiver*, const std::string& source, std::string& dest, bool& ok) {
        ok = source == "a.txt";
        dest = Out("renamed.txt");
    };
    ExtractAll();
    EXPECT_EQ(ReadFile(Out("renamed.txt")), "new a");
}

TEST_F(Extraction, DamagedEntryKeepsTheGoodFileAndRetryRepeats) {
    WriteFile(Out("good.bin"), "the good old file");
    Open({{.name = "good.bin", .data = TextBytes(10000, 3), .deflate = true, .flipCrc = true},
          {.name = "after.txt", .data = "after"}});
    prompts_.failureAnswers = {fxaRetry, fxaIgnore};
    ExtractAll();
    ASSERT_EQ(prompts_.asked.size(), 2u);
    EXPECT_EQ(prompts_.asked[0],
              "Archiver: Invalid size or check sum of file or unsupported compression format - Native error: 00008. "
              "File processing error, possibly disk is full");
    EXPECT_EQ(ReadFile(Out("good.bin")), "the good old file");
    EXPECT_EQ(ReadFile(Out("after.txt")), "after");
    EXPECT_EQ(ListFiles(dir_.Path() / "out"), (std::vector<std::string>{"after.txt", "good.bin"}));
}

// No entry writes past its declared size, so the declared sizes of the selected entries bound the run: a byte
// more than the limit refuses the whole run before anything is written.
TEST_F(Extraction, DeclaredSizesBoundEveryEntryAndTheRun) {
    // Entries declaring the largest size a header without Zip64 holds (each has one byte), then real bytes.
    const std::uint32_t most = 0xFFFFFFFF;
    const auto declaring = [&](std::uint64_t total) {
        std::vector<HandEntry> entries;
        for (std::uint64_t i = 0; i < total / most; ++i)
            entries.push_back({.name = "huge" + std::to_string(i), .data = "x", .deflate = true, .declaredSize = most});
        entries.push_back({.name = "rest.txt", .data = std::string(static_cast<std::size_t>(total % most), 'r')});
        return entries;
    };
    const struct {
        const char* what;
        std::vector<HandEntry> entries;
        std::string outcome;
        std::vector<std::string> written;
    } cases[] = {
        {"inflating past its size",
         {{.name = "grows", .data = TextBytes(1 << 20, 1), .deflate = true, .declaredSize = 10}},
         "failed: 8",
         {}},
        {"stored past its size", {{.name = "longer", .data = "abcdef", .declaredSize = 3}}, "failed: 8", {}},
        {"declaring the limit", declaring(kMaxExtractedBytes), "failed: 8", {"out/rest.txt"}},
        {"declaring a byte more",
         declaring(kMaxExtractedBytes + 1),
         "refused: Archiver: Archive would extract to more than the limit of " + std::to_string(kMaxExtractedBytes) +
             " bytes - Native error: 00063",
         {}},
    };
    for (const auto& c : cases) {
        fs::remove_all(dir_ / "out");
        Open(c.entries);
        std::string outcome;
        try {
            ExtractAll();
            outcome = "failed: " + std::to_string(archiver_.LastRun().NativeError);
        } catch (const EZFException& e) {
            outcome = std::string("refused: ") + e.what();
        }
        EXPECT_EQ(outcome, c.outcome) << c.what;
        std::vector<std::string> written = c.written;
        written.insert(written.begin(), "a.zip");
        EXPECT_EQ(ListFiles(dir_.Path()), written) << c.what;
    }
}

TEST_F(Extraction, ExtractCorruptedFilesKeepsTheDamagedBytes) {
    archiver_.ExtractCorruptedFiles = true;
    Open({{.name = "bad.txt", .data = "contents", .flipCrc = true}});
    ExtractAll();
    EXPECT_EQ(ReadFile(Out("bad.txt")), "contents");
    EXPECT_TRUE(prompts_.asked.empty());
}

TEST_F(Extraction, AbortStopsTheRunAndUnknownMethodsFail) {
    Open({{.name = "d64.bin", .data = "x", .method = 9},
          {.name = "old.bin", .data = "x", .method = 6, .versionNeeded = 10},
          {.name = "never.txt", .data = "x"}});
    std::vector<std::string> failures;
    archiver_.OnProcessFileFailure = [&](TZFBaseArchiver*, const std::string& name, TZFProcessOperation op,
                                         std::int32_t native, std::int32_t code, const std::string& message,
                                         TZFAction& action) {
        EXPECT_EQ(op, poExtract);
        EXPECT_EQ(action, fxaIgnore);
        failures.push_back(name + "|" + std::to_string(native) + "|" + std::to_string(code) + "|" + message);
        action = native == 55 ? fxaIgnore : fxaAbort;
    };
    ExtractAll();
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0],
              "d64.bin|55|32|Archiver: Deflate64 compression method is not supported - Native error: 00055");
    EXPECT_EQ(failures[1].substr(0, 14), "old.bin|8|4|Ar");
    EXPECT_FALSE(fs::exists(Out("never.txt")));
    EXPECT_FALSE(fs::exists(Out("d64.bin")));
    EXPECT_FALSE(fs::exists(Out("old.bin")));
    // The run's summary tells the caller that entries are missing, and which failed first.
    const TZFRunSummary& run = archiver_.LastRun();
    EXPECT_EQ(run.Selected, 3);
    EXPECT_EQ(run.Failed, 2);
    EXPECT_TRUE(run.Stopped);
    EXPECT_EQ(run.NativeError, 55);
    EXPECT_EQ(run.FailedName, "d64.bin");
}

TEST_F(Extraction, NamesLeavingTheDestinationAreRefused) {
    const std::string outside = dir_ / "outside.txt";
    Open({{.name = "../outside.txt", .data = "evil"},
          {.name = "sub/../../outside.txt", .data = "evil"},
          {.name = outside, .data = "evil"},
          {.name = "C:/outside.txt", .data = "evil"},
          {.name = "sub/.. /outside.txt", .data = "evil"},  // ".." once Windows drops the space
          {.name = "sub/.../outside.txt", .data = "evil"},
          {.name = "fine.txt", .data = "ok"}});
    prompts_.failureAnswers = {fxaIgnore};
    ExtractAll();
    EXPECT_FALSE(fs::exists(outside));
    EXPECT_EQ(ListFiles(dir_.Path()), (std::vector<std::string>{"a.zip", "out/fine.txt"}));
    ASSERT_EQ(prompts_.asked.size(), 6u);
    EXPECT_EQ(prompts_.asked[0],
              "Archiver: Unsafe file name \"../outside.txt\": it would be written outside the destination folder"
              " - Native error: 00056. File processing error, possibly disk is full");
}

TEST_F(Extraction, FolderNameWithoutFolderBitAndLockedDestination) {
    WriteFile(Out("locked.txt"), "held by someone");
    const int holder = ::open(Out("locked.txt").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    Open({{.name = "notdir/", .data = ""}, {.name = "locked.txt", .data = "new"}, {.name = "next.txt", .data = "n"}});
    prompts_.failureAnswers = {fxaIgnore};
    ExtractAll();
    ::close(holder);
    EXPECT_TRUE(fs::is_directory(Out("notdir")));
    ASSERT_EQ(prompts_.asked.size(), 2u);
    EXPECT_NE(prompts_.asked[0].find("Cannot create file \"" + Out("notdir/") + "\" - Native error: 00019"),
              std::string::npos);
    EXPECT_NE(prompts_.asked[1].find("Cannot create file \"" + Out("locked.txt") + "\" - Native error: 00019"),
              std::string::npos);
    EXPECT_EQ(ReadFile(Out("locked.txt")), "held by someone");
    EXPECT_EQ(ReadFile(Out("next.txt")), "n");
}

TEST_F(Extraction, CancelFromProgressDeletesTheCurrentFile) {
    Open({{.name = "big.bin", .data = NoiseBytes(3 << 20, 5)}, {.name = "later.txt", .data = "l"}});
    archiver_.OnFileProgress = [](TZFBaseArchiver*, const std::string&, double progress, TZFProcessOperation,
                                  TZFProgressPhase phase,
                                  bool& cancel) { cancel = phase == ppProcess && progress > 0; };
    ExtractAll();
    for (const std::string& f : ListFiles(dir_.Path() / "out")) ADD_FAILURE() << "left behind: " << f;
    EXPECT_TRUE(prompts_.asked.empty());
    EXPECT_TRUE(archiver_.Active());
}

TEST_F(Extraction, SelectionByMaskAttributesAndFolders) {
    Open({{.name = "docs/", .data = "", .externalAttributes = 0x10},
          {.name = "docs/a.TXT", .data = "a"},
          {.name = "docs/b.bin", .data = "b"},
          {.name = "top.txt", .data = "t", .externalAttributes = 0x22}});
    TZFArchiveItem item;
    std::vector<std::string> names;
    for (bool more = archiver_.FindFirst("*.txt", item, 0x28BF, ""); more; more = archiver_.FindNext(item))
        names.push_back(item.StoredPath + item.FileName);
    EXPECT_EQ(names, (std::vector<std::string>{"docs/a.TXT", "top.txt"}));
    // Without the hidden and folder bits in the search attributes those entries are passed over.
    names.clear();
    for (bool more = archiver_.FindFirst("*", item, 0x01, ""); more; more = archiver_.FindNext(item))
        names.push_back(item.StoredPath + item.FileName);
    EXPECT_EQ(names, (std::vector<std::string>{"docs/a.TXT", "docs/b.bin"}));
    archiver_.Options.Recurse = false;
    names.clear();
    for (bool more = archiver_.FindFirst("docs\\*", item, 0x28BF, ""); more; more = archiver_.FindNext(item))
        names.push_back(item.StoredPath + item.FileName);
    EXPECT_EQ(names, (std::vector<std::string>{"docs/a.TXT", "docs/b.bin"}));
    ASSERT_TRUE(archiver_.FindFirst("top.txt", item, 0x28BF, ""));
    EXPECT_DOUBLE_EQ(item.CompressionRate, 0);

    archiver_.Options.Recurse = true;
    archiver_.Options.CreateDirs = false;  // also leaves the base folder to the caller
    fs::create_directories(Out(""));
    archiver_.ExtractFiles("docs/*", 0x28BF, "");
    EXPECT_EQ(ListFiles(dir_.Path() / "out"), (std::vector<std::string>{"a.TXT", "b.bin"}));
}

TEST_F(Extraction, AMaskLongerThanTheLimitIsCutToIt) {
    const std::string name(kMaxMaskLength, 'm');
    Open({{.name = name, .data = "m"}});
    TZFArchiveItem item;
    EXPECT_TRUE(archiver_.FindFirst(name, item, kSearchAllAttributes, ""));
    EXPECT_TRUE(archiver_.FindFirst(name + "x", item, kSearchAllAttributes, ""));
    EXPECT_FALSE(archiver_.FindFirst(name.substr(1) + "x", item, kSearchAllAttributes, ""));
}

TEST_F(Extraction, OnExtractFileRenamesAndConfirmSkips) {
    Open({{.name = "one.txt", .data = "1"}, {.name = "two.txt", .data = "2"}});
    archiver_.OnConfirmProcessFile = [](TZFBaseArchiver*, const std::string& name, TZFProcessOperation, bool& ok) {
        ok = name != "two.txt";
    };
    archiver_.OnExtractFile = [](TZFBaseArchiver*, std::string& name, std::uint32_t& attr, const std::string&) {
        name = "renamed/" + name;
        attr |= platform::faReadOnly;
    };
    ExtractAll();
    EXPECT_EQ(ListFiles(dir_.Path() / "out"), (std::vector<std::string>{"renamed/one.txt"}));
    EXPECT_TRUE(platform::GetFileAttributes(Out("renamed/one.txt")) & platform::faReadOnly);
}

TEST_F(Extraction, OpenAndCloseFailures) {
    archiver_.CloseArchive();
    archiver_.CloseArchive();
    EXPECT_THROW_TEXT(archiver_.ExtractFiles("*.*", kSearchAllAttributes, ""), EZFException,
                      "Archiver: Archive is not open - Native error: 00013");
    archiver_.FileName = dir_ / "missing.zip";
    EXPECT_THROW_TEXT(archiver_.OpenArchive(kOpenReadDenyWrite), EZFException,
                      "Archiver: File \"" + (dir_ / "missing.zip") + "\" not found - Native error: 00012");
    archiver_.FileName = dir_.Path().string() + "/";
    EXPECT_THROW(archiver_.OpenArchive(kOpenReadDenyWrite), EZFException);
    WriteFile(dir_ / "text.zip", "this is a text file\n");
    archiver_.FileName = dir_ / "text.zip";
    EXPECT_THROW_TEXT(archiver_.OpenArchive(kOpenReadDenyWrite), EZFException,
                      "Invalid archive file. - Native error: 00035");
    EXPECT_FALSE(archiver_.Active());
    archiver_.CloseArchive();
    archiver_.CloseArchive();

    // A created archive that got no entries is closed as an empty archive, which opens again.
    archiver_.FileName = dir_ / "new.zip";
    archiver_.OpenArchive(kOpenModeCreate);
    archiver_.CloseArchive();
    EXPECT_EQ(fs::file_size(dir_ / "new.zip"), 22u);
    archiver_.OpenArchive(kOpenReadDenyWrite);
    EXPECT_EQ(archiver_.DirManager()->Count(), 0);
    archiver_.FileName = dir_ / "other.zip";
    archiver_.OpenArchive();  // missing: created
    archiver_.CloseArchive();
    archiver_.OpenArchive();
    EXPECT_TRUE(archiver_.Active());
}

TEST_F(Extraction, LocalHeaderPastTheEndFailsTheOpenAndWritesNothing) {
    std::string zip = BuildArchive({{.name = "x.txt", .data = "xxxx"}});
    // Point the entry's local header offset past the end of the file.
    const std::size_t central = 30 + 5 + 4;
    zip[central + 42 + 2] = 0x10;
    WriteFile(dir_ / "t.zip", zip);
    archiver_.FileName = dir_ / "t.zip";
    EXPECT_THROW_TEXT(archiver_.OpenArchive(kOpenReadDenyWrite), EZFException,
                      "Archive is damaged: the data of \"x.txt\" is cut short - Native error: 00057");
    EXPECT_FALSE(archiver_.Active());
    EXPECT_FALSE(fs::exists(dir_ / "out"));
}

TEST(ArchiverSettings, CompressionLevelAndModeFollowEachOther) {
    TZFZipArchiver a;
    EXPECT_EQ(a.Zip64Mode, zmDisabled);
    EXPECT_EQ(a.CompressionLevel(), clFastest);
    EXPECT_EQ(a.CompressionMode(), 1);
    a.SetCompressionMode(5);
    EXPECT_EQ(a.CompressionLevel(), clNormal);
    a.SetCompressionLevel(clMax);
    EXPECT_EQ(a.CompressionMode(), 9);
    EXPECT_THROW(a.SetCompressionMode(10), EZFException);
    EXPECT_EQ(a.CurrentVersion(), "2.57 ");
}

}  // namespace
}  // namespace yeroup::zip
