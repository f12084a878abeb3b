#pragma once
// What the program does at start-up about earlier runs that were killed: an upgrade left half done is finished
// or rolled back, so the install folder holds the whole old set or the whole new one, and the temporary files
// of interrupted saves are removed.
#include <filesystem>

#include "app/upgrade/UpgradeCommit.h"

namespace yeroup::app::upgrade {

// Settles the upgrade the journal in the package store tells of, if any: an upgrade killed before its files
// were all staged is dropped, one killed while moving them into place is finished (or, when that fails, rolled
// back), one killed while rolling back is rolled back. False when something is still pending afterwards.
bool RecoverUpgrade(const std::filesystem::path& packageStore, const TStepHook& step = {});

// RecoverUpgrade, then removal of the temporary files that interrupted saves left beside the program's files.
// False when an upgrade is still pending.
bool RecoverAtStartup(const std::filesystem::path& exeFolder, const std::filesystem::path& packageStore);

}  // namespace yeroup::app::upgrade
