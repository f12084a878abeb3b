// The journal and the list of changes read back only as written: anything damaged, cut, of another version or
// past a limit is an error that names the file and why, never a journal or a list that says something else.
#include "app/upgrade/UpgradeJournal.h"

#include <gtest/gtest.h>

#include "app/core/Limits.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/ScratchFolder.h"

namespace yeroup::app::upgrade {
namespace {

namespace fs = std::filesystem;
using namespace yeroup::test;
using namespace std::string_literals;

TUpgradeJournal CommitJournal() {
    return {TUpgradePhase::Commit, "/opt/player", "/opt/player/.yeroup-staging", 2, 0x1234abcd};
}

TEST(UpgradeJournal, ReadsBackWhatWasWrittenAndTellsNoJournalFromABadOne) {
    ScratchFolder dir;
    const fs::path file = dir.Path() / "upgrade-journal";
    EXPECT_FALSE(ReadJournal(file).has_value());
    WriteJournal(file, CommitJournal());
    const TUpgradeJournal read = ReadJournal(file).value();
    EXPECT_EQ(JournalBytes(read), JournalBytes(CommitJournal()));

    const std::string good = JournalBytes(CommitJournal());
    std::string flipped = good;
    flipped[20] ^= 0x01;  // a letter of the install folder: the records would still read
    TUpgradeJournal tooMany = CommitJournal();
    tooMany.changes = limits::kMaxChangeLines + 1;
    TUpgradeJournal most = CommitJournal();
    most.changes = limits::kMaxChangeLines;
    const struct {
        std::string bytes;
        const char* why;  // empty: it reads
    } cases[] = {
        {good.substr(0, good.size() - 3), "it ends in the middle of a record: it was cut short"},
        {flipped, "its checksum does not match: it is damaged"},
        {good + "x\0"s, "it holds 8 records, not 7"},
        {"yeroup-upgrade-1\0C\0/opt/player\0/opt/player/.yeroup-staging\0"s,
         "it is no journal this version of the program wrote"},
        {"", "it is no journal this version of the program wrote"},
        {JournalBytes(most), ""},
        {JournalBytes(tooMany), "its count of changes \"100001\" is not one of at most 100000"},
        {std::string(static_cast<std::size_t>(limits::kMaxJournalBytes), 'x'),
         "it ends in the middle of a record: it was cut short"},
        {std::string(static_cast<std::size_t>(limits::kMaxJournalBytes) + 1, 'x'),
         "it holds 16385 bytes, more than the 16384 it can hold"},
    };
    for (const auto& c : cases) {
        WriteFile(file, c.bytes);
        if (*c.why == '\0')
            EXPECT_TRUE(ReadJournal(file).has_value());
        else
            EXPECT_THROW_TEXT(ReadJournal(file), EUpgradeStateError,
                              "the upgrade journal " + file.string() + " cannot be read: " + c.why);
    }
}

TEST(UpgradeJournal, TheListIsReadOnlyWhenItIsTheOneTheJournalNames) {
    ScratchFolder dir;
    const fs::path file = dir.Path() / "manifest";
    const std::vector<TManifestLine> lines = {{TChange::NewFolder, "Logs", 11},
                                              {TChange::ReplacedFile, "Resource/lang\ntxt", 12}};
    TUpgradeJournal journal = CommitJournal();
    journal.changesCrc = WriteManifest(file, lines);
    const std::vector<TManifestLine> read = ReadManifest(file, journal);
    EXPECT_EQ(ManifestBytes(read), ManifestBytes(lines));

    const std::string good = ReadFile(file);
    std::string flipped = good;
    flipped[8] ^= 0x20;
    TUpgradeJournal other = journal;
    other.changes = 3;
    const struct {
        std::string bytes;  // empty: no list at all
        TUpgradeJournal journal;
        const char* why;
    } cases[] = {
        {"", journal, "it is missing"},
        {flipped, journal, "its checksum is not the one the journal gives: it is damaged"},
        {good, other, "it holds 2 changes where the journal gives 3"},
    };
    for (const auto& c : cases) {
        fs::remove(file);
        if (!c.bytes.empty()) WriteFile(file, c.bytes);
        EXPECT_THROW_TEXT(ReadManifest(file, c.journal), EUpgradeStateError,
                          "the list of changes " + file.string() + " cannot be read: " + c.why);
    }
}

TEST(UpgradeJournal, ListLinesAreBoundAndWellFormed) {
    const std::string longest = "F1|" + std::string(limits::kMaxChangeLineBytes - 3, 'a');
    std::string most;
    for (std::uint64_t i = 0; i < limits::kMaxChangeLines; ++i) most += "F7|a\0"s;
    EXPECT_EQ(ParseManifest(longest + '\0').size(), 1u);
    EXPECT_EQ(ParseManifest(most).size(), limits::kMaxChangeLines);
    const struct {
        std::string bytes;
        const char* why;
    } cases[] = {
        {longest + "a" + '\0', "line 1 is longer than 4128 bytes"},
        {most + "F7|a\0"s, "it holds more than 100000 lines"},
        {"F7|a\0X7|a\0"s, "line 2 is malformed"},
        {"F|a\0"s, "line 1 is malformed"},
        {"F7|a", "it ends in the middle of a record: it was cut short"},
    };
    for (const auto& c : cases) EXPECT_THROW_TEXT(ParseManifest(c.bytes), EUpgradeStateError, c.why);
}

}  // namespace
}  // namespace yeroup::app::upgrade
