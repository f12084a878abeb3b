// The history of upgrades: bounded, a damaged line costs that line alone (and the next write keeps every good one),
// a file the program cannot read is never written over, and an upgrade a killed run left under way is settled.
#include "app/upgrade/UpgradeHistory.h"

#include <gtest/gtest.h>

#include "app/core/Limits.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/ScratchFolder.h"

namespace yeroup::app::upgrade {
namespace {

namespace fs = std::filesystem;
using namespace yeroup::test;

constexpr const char* kDigest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";  // of "abc"

THistoryEntry Entry(std::int64_t time, THistoryOutcome outcome, std::string reason = {}) {
    return {time, outcome, "MP-3", "1.0", "1.1", kDigest, std::move(reason)};
}

std::vector<std::int64_t> Times(const THistory& history) {
    std::vector<std::int64_t> times;
    for (const THistoryEntry& entry : history.entries) times.push_back(entry.time);
    return times;
}

TEST(UpgradeHistory, KeepsTheNewestEntriesWithinItsBound) {
    ScratchFolder dir;
    const fs::path file = dir.Path() / kHistoryFileName;
    EXPECT_TRUE(ReadHistory(file).entries.empty());
    const auto bound = static_cast<std::int64_t>(limits::kMaxHistoryEntries);
    std::vector<THistoryEntry> entries;
    for (std::int64_t time = 1; time <= bound + 2; ++time) entries.push_back(Entry(time, THistoryOutcome::Refused));
    WriteFile(file, HistoryBytes(entries));  // the oldest two are left out
    RecordInHistory(file, Entry(bound + 3, THistoryOutcome::Refused, "line\tand\nend"));
    const THistory read = ReadHistory(file);
    ASSERT_EQ(read.entries.size(), limits::kMaxHistoryEntries);
    EXPECT_EQ(read.entries.front().time, 4);
    EXPECT_EQ(read.entries.back().time, bound + 3);
    EXPECT_EQ(read.entries.back().reason, "line?and?end");
    EXPECT_EQ(read.damaged, 0U);
    EXPECT_EQ(FileSha256((dir.Path() / "abc").string()), "");
    WriteFile(dir.Path() / "abc", "abc");
    EXPECT_EQ(FileSha256((dir.Path() / "abc").string()), kDigest);
}

TEST(UpgradeHistory, ADamagedFileLosesOnlyItsDamagedLines) {
    ScratchFolder dir;
    const fs::path file = dir.Path() / kHistoryFileName;
    const std::string good = HistoryBytes({Entry(10, THistoryOutcome::Finished), Entry(20, THistoryOutcome::Refused),
                                           Entry(30, THistoryOutcome::RolledBack)});
    const std::size_t second = good.find('\n', good.find('\n') + 1) + 1;  // the second entry's line
    std::string flipped = good;
    flipped[second + 1] ^= 0x01;
    const struct {
        std::string bytes;
        std::vector<std::int64_t> kept;
        std::size_t damaged;
    } cases[] = {
        {good, {10, 20, 30}, 0},
        {flipped, {10, 30}, 1},
        {good.substr(0, good.size() - 5), {10, 20}, 1},                     // cut in the last line
        {"garbage\n" + good.substr(good.find('\n') + 1), {10, 20, 30}, 1},  // the header damaged
        {good.substr(0, second) + std::string(limits::kMaxHistoryLineBytes + 1, 'x') + "\n" + good.substr(second),
         {10, 20, 30},
         1},
        {good + std::string("\0\xff\t\t\n", 5), {10, 20, 30}, 1},
    };
    for (const auto& c : cases) {
        WriteFile(file, c.bytes);
        const THistory read = ReadHistory(file);
        EXPECT_EQ(Times(read), c.kept);
        EXPECT_EQ(read.damaged, c.damaged);
        RecordInHistory(file, Entry(40, THistoryOutcome::Finished));
        std::vector<std::int64_t> after = c.kept;
        after.push_back(40);
        EXPECT_EQ(Times(ReadHistory(file)), after);
        EXPECT_EQ(ReadHistory(file).damaged, 0U);
    }
}

TEST(UpgradeHistory, AFileItCannotReadIsNeverWrittenOver) {
    ScratchFolder dir;
    const fs::path file = dir.Path() / kHistoryFileName;
    const std::uint64_t bound = (limits::kMaxHistoryEntries + 1) * (limits::kMaxHistoryLineBytes + 1);
    for (const std::string& bytes : {std::string("yeroup-history 2\nwhatever\n"), std::string(bound + 1, '\n')}) {
        WriteFile(file, bytes);
        const auto error = Thrown<EHistoryError>([&] { RecordInHistory(file, Entry(1, THistoryOutcome::Finished)); });
        ASSERT_TRUE(error);
        EXPECT_NE(std::string(error->what()).find("the history of upgrades " + file.string() + " cannot be read: "),
                  std::string::npos);
        EXPECT_EQ(ReadFile(file), bytes);
    }
}

TEST(UpgradeHistory, AnUpgradeUnderWayIsEndedInPlaceOrSettledAtTheNextStart) {
    ScratchFolder dir;
    const fs::path file = dir.Path() / kHistoryFileName;
    RecordInHistory(file, Entry(1, THistoryOutcome::UnderWay));
    RecordInHistory(file, Entry(2, THistoryOutcome::Finished));
    EXPECT_EQ(Times(ReadHistory(file)), std::vector<std::int64_t>{2});
    EXPECT_EQ(LastFirmware(ReadHistory(file), "MP-3"), "1.1");
    EXPECT_EQ(LastFirmware(ReadHistory(file), "MP-4"), "");

    const struct {
        TRecoveryOutcome recovery;
        bool underWay;
        THistoryOutcome settled;  // of the entry under way, or of the one the recovery adds
        std::size_t entries;
    } cases[] = {
        {TRecoveryOutcome::Finished, true, THistoryOutcome::Finished, 2},
        {TRecoveryOutcome::RolledBack, true, THistoryOutcome::RolledBack, 2},
        {TRecoveryOutcome::LeftAsItIs, true, THistoryOutcome::LeftForUser, 2},
        {TRecoveryOutcome::Nothing, true, THistoryOutcome::LeftForUser, 2},
        {TRecoveryOutcome::RolledBack, false, THistoryOutcome::RolledBack, 2},
        {TRecoveryOutcome::Nothing, false, THistoryOutcome::Finished, 1},
    };
    for (const auto& c : cases) {
        WriteFile(file, HistoryBytes({Entry(2, THistoryOutcome::Finished)}));
        if (c.underWay) RecordInHistory(file, Entry(3, THistoryOutcome::UnderWay));
        const auto settled = SettleHistory(file, {c.recovery, "found so", {}}, 9);
        const THistory read = ReadHistory(file);
        ASSERT_EQ(read.entries.size(), c.entries);
        EXPECT_EQ(read.entries.back().outcome, c.settled);
        EXPECT_EQ(settled.size(), c.entries - 1);
        EXPECT_EQ(read.entries.back().model, c.underWay || c.entries == 1 ? "MP-3" : "");
    }
}

}  // namespace
}  // namespace yeroup::app::upgrade
