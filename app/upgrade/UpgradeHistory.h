#pragma once
// The history of upgrades kept in the program's files folder, for the user and for support: when each upgrade ran,
// on which model, from which firmware to which, with which package, and how it ended. One line per upgrade with its
// own checksum, so a damaged line costs that line alone; the file is replaced whole and atomically, the oldest
// entries dropped past its bound.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/upgrade/StartupRecovery.h"

namespace yeroup::app::upgrade {

enum class THistoryOutcome {
    UnderWay,     // written before the files move, so that a killed run's upgrade is still known at the next start
    Finished,     // the package's files are in place
    RolledBack,   // the install folder is as it was before
    Refused,      // nothing was touched: the package, its signature or the program's state forbade it
    LeftForUser,  // the install folder needs the user: an unsettled state, or an updater not started
};

struct THistoryEntry {
    std::int64_t time = 0;  // seconds since 1970, UTC
    THistoryOutcome outcome = THistoryOutcome::UnderWay;
    std::string model;   // UTF-8; empty when not known
    std::string before;  // the firmware installed before, as far as this program knows; empty when not known
    std::string after;   // the package's firmware
    std::string sha256;  // of the package, in lower-case hex; empty when no package was read
    std::string reason;  // why it ended so (empty for a plain finish)
};

struct THistory {
    std::vector<THistoryEntry> entries;  // oldest first
    std::size_t damaged = 0;             // lines skipped
};

// A history that cannot be read at all (the system refuses, far too large, another version's file): the text says
// which file and why. The file is then never written over.
class EHistoryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kHistoryFileName = "upgrade-history";

// Good lines are kept, damaged ones counted; only the newest entries within the bound are kept.
THistory ParseHistory(std::string_view bytes);
// The newest entries within the bound, texts cut to their bound.
std::string HistoryBytes(const std::vector<THistoryEntry>& entries);
// Empty when there is no file.
THistory ReadHistory(const std::filesystem::path& file);

// Adds entry; an entry that is not under way takes the place of the same upgrade's entry still under way, if any.
// Raises EHistoryError when the history cannot be read, platform::EFileCreateError when it cannot be written; the file
// is then as it was.
void RecordInHistory(const std::filesystem::path& file, const THistoryEntry& entry);
// An upgrade a recovery settled, as an entry of its own at now (its model and firmware are not known to it).
THistoryEntry RecoveryEntry(const TRecovery& recovery, std::int64_t now);
// At start-up: every entry still under way gets the outcome of what the recovery did (or, with nothing pending,
// that its end is not known); a recovery with no entry under way adds one of its own at now. Returns the entries
// settled or added.
std::vector<THistoryEntry> SettleHistory(const std::filesystem::path& file, const TRecovery& recovery,
                                         std::int64_t now);

// The firmware the last finished upgrade of model put in, empty when none did.
std::string LastFirmware(const THistory& history, const std::string& model);
// SHA-256 of a file in lower-case hex, empty when it cannot be read.
std::string FileSha256(const std::string& path);

// The outcome's word in the file and the trace ("finished", "rolled-back"...).
std::string_view OutcomeWord(THistoryOutcome outcome);
// One line for the trace.
std::string HistoryTraceText(const THistoryEntry& entry);

}  // namespace yeroup::app::upgrade
