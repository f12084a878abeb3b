#pragma once
// What the program does at start-up about earlier runs that were killed: an upgrade left half done is finished
// or rolled back, so the install folder holds the whole old set or the whole new one, and the temporary files
// of interrupted saves are removed. An upgrade whose state cannot be read, or that can be neither finished nor
// rolled back, is left exactly as it is: nothing is deleted on a guess.
#include <filesystem>
#include <string>

#include "app/upgrade/UpgradeCommit.h"

namespace yeroup::app::upgrade {

enum class TRecoveryOutcome {
    Nothing,     // no upgrade was pending
    Finished,    // the new set is in place
    RolledBack,  // the old set is back (or was never left)
    LeftAsItIs,  // the state could not be read or acted on: the install folder, staging folder and backup stay
};

struct TRecovery {
    TRecoveryOutcome outcome = TRecoveryOutcome::Nothing;
    std::string why;  // what was found (and, left as it is, what kept the program from acting)
    // Where the files the pending upgrade replaced are kept; empty when it replaced none.
    std::filesystem::path backup;
};

// Settles the upgrade the journal in the package store tells of, if any: an upgrade killed before its files
// were all staged is dropped, one killed while moving them into place is finished (or, when that cannot be,
// rolled back), one killed while rolling back is rolled back. Acts only on a journal and a list of changes it
// can read and that go together, and only when the journal names installFolder (the one the registry names now;
// empty when it names none) and that folder's own staging folder; the backup is always the package store's.
TRecovery RecoverUpgrade(const std::filesystem::path& packageStore, const std::filesystem::path& installFolder,
                         const TStepHook& step = {});

// One line for the trace: the outcome, why, and where the backup is.
std::string RecoveryText(const TRecovery& recovery);

// RecoverUpgrade, then removal of the temporary files that interrupted saves left beside the program's files.
TRecovery RecoverAtStartup(const std::filesystem::path& exeFolder, const std::filesystem::path& packageStore,
                           const std::filesystem::path& installFolder);

}  // namespace yeroup::app::upgrade
