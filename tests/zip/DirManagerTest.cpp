#include "zip/DirManager.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "platform/text/CodePages.h"
#include "tests/support/ExpectThrow.h"
#include "tests/zip/ZipTestSupport.h"
#include "zip/Limits.h"
#include "zip/ZipException.h"

namespace yeroup::zip {
namespace {

using test::BuildArchive;
using test::HandEntry;

std::unique_ptr<platform::TMemoryStream> StreamOf(const std::string& bytes) {
    auto s = std::make_unique<platform::TMemoryStream>();
    s->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    s->SetPosition(0);
    return s;
}

struct Opened {
    std::unique_ptr<platform::TMemoryStream> stream;
    std::unique_ptr<TZFDirManager> dir;
    bool found = false;
};

Opened Open(const std::string& bytes, bool oem = false) {
    Opened o;
    o.stream = StreamOf(bytes);
    o.dir = std::make_unique<TZFDirManager>(*o.stream, oem);
    o.found = o.dir->FindEndRecord();
    o.dir->ReadDirectory(smNone);
    return o;
}

int NativeErrorOf(const std::string& bytes) {
    try {
        Open(bytes);
    } catch (const EZFException& e) {
        return e.NativeError();
    }
    return 0;
}

TEST(DirManager, EndRecordWithLongCommentAndFalseCandidateInside) {
    // A fake end signature inside the comment whose length field does not fit is skipped.
    std::string comment(65535, 'c');
    const std::string fake = std::string("PK\x05\x06", 4) + std::string(16, 'x') + std::string("\x05\x01", 2);
    comment.replace(1000, fake.size(), fake);
    Opened o = Open(BuildArchive({{.name = "a.txt", .data = "hello"}}, comment));
    ASSERT_TRUE(o.found);
    EXPECT_EQ(o.dir->Comment().size(), 65535u);
    ASSERT_EQ(o.dir->Count(), 1);
    EXPECT_EQ(o.dir->Items().ItemRef(0).name, "a.txt");
    EXPECT_EQ(o.dir->DataStartOffset(), 0u);
}

TEST(DirManager, CommentEndsAtZeroAndEmptyArchiveOpens) {
    Opened o = Open(BuildArchive({}, std::string("note\0tail", 9)));
    EXPECT_TRUE(o.found);
    EXPECT_EQ(o.dir->Comment(), "note");
    EXPECT_EQ(o.dir->Count(), 0);
    // With no entries the data start is the end record itself.
    EXPECT_EQ(o.dir->DataStartOffset(), 0u);
}

TEST(DirManager, PrefixShiftsOffsetsOfFilesButNotOfFolders) {
    const std::string prefix = "MZ" + std::string(998, 'x');
    const std::string zip = BuildArchive(
        {{.name = "dir/", .data = "", .externalAttributes = 0x10}, {.name = "dir/f.bin", .data = "payload"}});
    Opened o = Open(prefix + zip);
    ASSERT_TRUE(o.found);
    EXPECT_EQ(o.dir->DataStartOffset(), prefix.size());
    EXPECT_EQ(o.dir->Items().ItemRef(0).LocalHeaderOffset(), 0u);
    EXPECT_EQ(o.dir->Items().ItemRef(1).LocalHeaderOffset(), prefix.size() + 30 + 4);
    o.stream->SetPosition(o.dir->ReadLocalHeader(o.dir->Items().ItemRef(1)));
    char data[7];
    o.stream->ReadBuffer(data, 7);
    EXPECT_EQ(std::string(data, 7), "payload");
}

TEST(DirManager, NamesWithBackslashesAndOemBytes) {
    platform::CodePages().oem = 437;
    platform::CodePages().ansi = 1252;
    Opened o = Open(BuildArchive({{.name = "dir\\\x82t\xE9.txt", .data = "x"}}), true);
    platform::CodePages().oem = 936;
    platform::CodePages().ansi = 936;
    // OEM 437 0x82 is e-acute (0xE9 in 1252); 0xE9 is the Greek Theta, which 1252 lacks.
    EXPECT_EQ(o.dir->Items().ItemRef(0).name, "dir/\xE9t?.txt");
}

TEST(DirManager, BackslashesBecomeSlashesButNotInsideDoubleByteCharacters) {
    // 0x5C is also a trail byte in code page 936: "\x95\x5C" is one character.
    Opened o = Open(BuildArchive({{.name = "..\\evil\\\x95\\.txt", .data = "x"}}), true);
    EXPECT_EQ(o.dir->Items().ItemRef(0).name, "../evil/\x95\\.txt");
}

TEST(DirManager, AppendedBytesGoThroughTheRebuild) {
    const std::string zip = BuildArchive({{.name = "one.txt", .data = "first"},
                                          {.name = "two.txt", .data = std::string(3000, 'z'), .deflate = true},
                                          {.name = "empty/", .data = "", .externalAttributes = 0x10},
                                          {.name = "empty.txt", .data = ""}});
    Opened o = Open(zip + "trailing garbage");
    EXPECT_FALSE(o.found);
    ASSERT_EQ(o.dir->Count(), 4);
    const TDirItem& two = o.dir->Items().ItemRef(1);
    EXPECT_EQ(two.name, "two.txt");
    EXPECT_EQ(two.compressionMethod, 8);
    EXPECT_EQ(two.UncompressedSize(), 3000u);
    EXPECT_EQ(two.externalAttributes, 0x20u);
    EXPECT_EQ(o.dir->Items().ItemRef(2).externalAttributes, 0x10u);
    // An empty entry is a folder only when named like one.
    EXPECT_EQ(o.dir->Items().ItemRef(3).externalAttributes, 0x20u);
}

TEST(DirManager, RebuildTakesSizesFromTheDataDescriptor) {
    HandEntry e{.name = "d.bin", .data = "12345678", .flags = 0x08};
    std::string zip = BuildArchive({e});
    // Blank the local sizes as a streaming writer does, and append the descriptor after the data.
    std::string local = zip.substr(0, 30 + 5 + 8);
    local.replace(14, 12, std::string(12, '\0'));
    std::string descriptor("PK\x07\x08", 4);
    descriptor += zip.substr(14, 12);
    // The central directory follows, without its end record.
    Opened o = Open(local + descriptor + zip.substr(43, zip.size() - 43 - 22));
    ASSERT_EQ(o.dir->Count(), 1);
    const TDirItem& item = o.dir->Items().ItemRef(0);
    EXPECT_EQ(item.compressedSize, 8u);
    EXPECT_EQ(item.uncompressedSize, 8u);
    EXPECT_EQ(item.crc32, crc32(0, reinterpret_cast<const Bytef*>("12345678"), 8));
    EXPECT_EQ(item.externalAttributes, 0x20u);
}

std::string Le32Bytes(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

std::string Patched(std::string bytes, std::size_t at, const std::string& with) {
    bytes.replace(at, with.size(), with);
    return bytes;
}

// Damage and forgery found in the directory fail the open, before anything can be written.
TEST(DirManager, DamagedOrForgedEntriesFailTheOpen) {
    const std::string good = BuildArchive({{.name = "a.txt", .data = "aaaa"}, {.name = "b.txt", .data = "bbbbbb"}});
    const std::size_t localB = 30 + 5 + 4, centralA = localB + 30 + 5 + 6, centralB = centralA + 46 + 5;
    // Ten directory entries sharing one local header of zeros: a bomb, not an archive.
    const HandEntry zeros{.name = "zeros.bin", .data = std::string(1 << 20, '\0'), .deflate = true};
    std::string bomb = BuildArchive(std::vector<HandEntry>(10, zeros));
    const std::size_t directory = bomb.size() - 22 - 10 * (46 + 9);
    for (std::size_t i = 1; i < 10; ++i) bomb = Patched(bomb, directory + i * (46 + 9) + 42, Le32Bytes(0));
    const std::string longer = Le32Bytes(1000);

    const struct {
        const char* what;
        std::string bytes;
        int nativeError;
    } cases[] = {
        {"local header past the end", Patched(good, centralB + 42, Le32Bytes(0x100000)), zfeEntryCutShort},
        {"data running into the directory", Patched(Patched(good, localB + 18, longer), centralB + 20, longer),
         zfeEntryCutShort},
        {"entries sharing data", bomb, zfeEntriesOverlap},
        {"local name differs", Patched(good, localB + 30, "c"), zfeLocalHeaderMismatch},
        {"local size differs", Patched(good, 22, Le32Bytes(5)), zfeLocalHeaderMismatch},
        {"no local header", Patched(good, localB, "XK"), zfeLocalHeaderMismatch},
    };
    for (const auto& c : cases) EXPECT_EQ(NativeErrorOf(c.bytes), c.nativeError) << c.what;
    EXPECT_EQ(NativeErrorOf(good), 0);
}

// A rebuilt directory holds every entry whole, or the open fails: never a shorter list.
TEST(DirManager, RebuildRefusesCutFilesAndFindsStreamedEntriesInLinearTime) {
    const std::string zip = BuildArchive(
        {{.name = "one.txt", .data = "first"}, {.name = "two.txt", .data = std::string(3000, 'z'), .deflate = true}});
    const std::size_t directory = zip.size() - 22 - 2 * (46 + 7);
    EXPECT_EQ(NativeErrorOf(zip.substr(0, directory)), zfeArchiveDamaged) << "cut between entry and directory";
    EXPECT_EQ(NativeErrorOf(zip.substr(0, 30 + 7 + 5)), zfeArchiveDamaged) << "cut between two entries";
    EXPECT_EQ(NativeErrorOf(zip.substr(0, directory - 10)), zfeEntryCutShort) << "cut inside the data";
    EXPECT_EQ(NativeErrorOf(zip.substr(0, 30 + 7 + 5 + 20)), zfeArchiveDamaged) << "cut inside a local header";
    EXPECT_EQ(NativeErrorOf(zip.substr(0, directory + 30)), 0) << "cut inside the directory";

    // Headers that promise a data descriptor and never give one: judged by one pass over the file.
    std::string streamed;
    for (int i = 0; streamed.size() < (8u << 20); ++i)
        streamed += BuildArchive({{.name = "f" + std::to_string(i), .data = std::string(4000, 'q'), .flags = 0x08}})
                        .substr(0, 30 + 1 + 4000);
    EXPECT_EQ(NativeErrorOf(streamed), zfeEntryCutShort);
}

TEST(DirManager, EntryCountAndNameLengthLimits) {
    // Minimal entries (one-letter name, no data) followed by the start of a directory.
    auto entries = [](std::uint64_t count) {
        const std::string one = BuildArchive({{.name = "e", .data = ""}}).substr(0, 31);
        std::string bytes;
        bytes.reserve(count * one.size() + 4);
        for (std::uint64_t i = 0; i < count; ++i) bytes += one;
        return bytes + "PK\x01\x02";
    };
    // The rebuild holds the entries' names; identical names would also be refused later, not here.
    EXPECT_EQ(NativeErrorOf(entries(kMaxEntries)), 0);
    EXPECT_EQ(NativeErrorOf(entries(kMaxEntries + 1)), zfeTooManyEntries);
    // A Zip64 end record may announce any count: one past the limit fails before a header is read, while at the
    // limit the reading starts and runs out of directory.
    const auto announcing = [](std::uint64_t count) {
        const auto le64 = [](std::uint64_t v) {
            return Le32Bytes(static_cast<std::uint32_t>(v)) + Le32Bytes(static_cast<std::uint32_t>(v >> 32));
        };
        const std::string zip = BuildArchive({{.name = "e", .data = ""}});
        const std::size_t directory = 30 + 1, end = zip.size() - 22;
        const std::string record = std::string("PK\x06\x06", 4) + le64(44) + std::string(12, '\0') + le64(count) +
                                   le64(count) + le64(end - directory) + le64(directory);
        const std::string locator = std::string("PK\x06\x07", 4) + Le32Bytes(0) + le64(end) + Le32Bytes(1);
        return zip.substr(0, end) + record + locator + zip.substr(end);
    };
    EXPECT_THROW(Open(announcing(kMaxEntries)), platform::EStreamError);
    EXPECT_THROW_TEXT(Open(announcing(kMaxEntries + 1)), EZFException,
                      "Archive has more entries than the limit of 100000 - Native error: 00061");

    const std::string atLimit(kMaxNameLength, 'n'), overLimit(kMaxNameLength + 1, 'n');
    EXPECT_EQ(NativeErrorOf(BuildArchive({{.name = atLimit, .data = "x"}})), 0);
    EXPECT_EQ(NativeErrorOf(BuildArchive({{.name = overLimit, .data = "x"}})), zfeNameTooLong);
    EXPECT_THROW_TEXT(Open(BuildArchive({{.name = overLimit, .data = "x"}})), EZFException,
                      "File name longer than the limit of 1024 bytes - Native error: 00062");
}

TEST(DirManager, FailuresCarryTheirNativeErrors) {
    EXPECT_EQ(NativeErrorOf("just some text, not an archive at all"), zfeInvalidArchive);
    EXPECT_EQ(NativeErrorOf(""), zfeInvalidArchive);
    // A Zip64 locator whose record is missing.
    std::string zip = BuildArchive({{.name = "a", .data = "b"}});
    std::string locator("PK\x06\x07", 4);
    locator += std::string(4, '\0') + std::string("\x01\x00\x00\x00\x00\x00\x00\x00", 8) + std::string("\x01\0\0\0", 4);
    const std::size_t end = zip.size() - 22;
    EXPECT_EQ(NativeErrorOf(zip.substr(0, end) + locator + zip.substr(end)), zfeNoZip64EndRecord);
    if (const auto e = yeroup::test::Thrown<EZFException>([] { Open("plain text"); })) {
        EXPECT_STREQ(e->what(), "Invalid archive file. - Native error: 00035");
        EXPECT_EQ(e->ErrorCode(), 18);
    }
}

TEST(DirManager, TruncatedDirectoryRaisesTheStreamError) {
    std::string zip = BuildArchive({{.name = "a.txt", .data = "aaaa"}, {.name = "b.txt", .data = "bbbb"}});
    // Claim three entries: the third header runs into the end record and the end of the file.
    zip[zip.size() - 22 + 8] = 3;
    zip[zip.size() - 22 + 10] = 3;
    EXPECT_THROW(Open(zip), platform::EStreamError);
}

TEST(DirManager, Zip64ExtraFieldValuesReplaceMarkedFields) {
    std::string zip = BuildArchive({{.name = "big", .data = "0123456789"}});
    // Rewrite the central header: sizes marked, extra field id 1 with both 64-bit sizes.
    const std::size_t central = 30 + 3 + 10;
    std::string header = zip.substr(central, 46 + 3);
    header.replace(20, 8, std::string(8, '\xFF'));
    header[30] = 20;  // extra length
    std::string extra("\x01\x00\x10\x00", 4);
    extra += std::string("\x0A\0\0\0\0\0\0\0", 8) + std::string("\x0A\0\0\0\0\0\0\0", 8);
    std::string end = zip.substr(central + 49);
    end[12] = static_cast<char>(46 + 3 + 20);
    Opened o = Open(zip.substr(0, central) + header + extra + end);
    const TDirItem& item = o.dir->Items().ItemRef(0);
    EXPECT_TRUE(item.useZip64);
    EXPECT_EQ(item.CompressedSize(), 10u);
    EXPECT_EQ(item.UncompressedSize(), 10u);
    EXPECT_EQ(item.LocalHeaderOffset(), 0u);
    ASSERT_EQ(item.extraFields.size(), 1u);
    EXPECT_EQ(item.extraFields[0].dataSize, 16);
}

TEST(DirArray, GrowthStepsAndIndexErrors) {
    TZFDirArray a;
    a.SetCount(1);
    EXPECT_EQ(a.Capacity(), 1000);
    a.SetCount(1001);
    EXPECT_EQ(a.Capacity(), 3000);
    a.SetCount(0);
    EXPECT_EQ(a.Capacity(), 0);
    a.SetCount(3);
    a.ItemRef(1).name = "middle";
    a.ItemRef(1).extraFields.push_back({.headerId = 7, .dataSize = 1, .data = {1}});
    TDirItem copy = a.GetItem(1);
    a.Delete(0);
    EXPECT_EQ(a.ItemRef(0).name, "middle");
    copy.extraFields[0].data[0] = 9;
    EXPECT_EQ(a.ItemRef(0).extraFields[0].data[0], 1);
    auto native = [&](auto&& call) {
        const auto e = yeroup::test::Thrown<EZFException>(call);
        if (!e) return 0;
        EXPECT_EQ(std::string(e->what()),
                  "Index out of bounds - Native error: 0000" + std::to_string(e->NativeError()));
        return e->NativeError();
    };
    EXPECT_EQ(native([&] { a.SetItem(5, copy); }), 1);
    EXPECT_EQ(native([&] { a.GetItem(-1); }), 2);
    EXPECT_EQ(native([&] { a.ItemRef(2); }), 3);
    EXPECT_EQ(native([&] { a.Delete(2); }), 4);
}

}  // namespace
}  // namespace yeroup::zip
