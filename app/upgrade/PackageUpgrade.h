#pragma once
// The firmware upgrade's extraction, all or nothing: every entry is extracted and verified in a staging folder
// on the install folder's file system; only then are the files moved into place, the files they replace kept as
// the last backup in the package store. A failure at any point leaves the install folder as it was, and a kill
// at any point is finished or rolled back by the next start. While an earlier upgrade's state cannot be read,
// no upgrade runs.
#include <filesystem>
#include <string>

#include "app/upgrade/StartupRecovery.h"
#include "app/upgrade/UpgradeCommit.h"
#include "zip/Archiver.h"

namespace yeroup::app::upgrade {

enum class TUpgradeOutcome {
    Done,            // the package's files are in the install folder
    PackageMissing,  // the stored package is gone
    PackageDamaged,  // the package is not a whole, sound archive (or holds entries this program cannot read)
    CannotWrite,     // a file could not be written: `File` says which, `Error` why
    Unsettled,       // an earlier upgrade's state cannot be read or acted on: `File` is its backup, if any
};

struct TUpgradeResult {
    TUpgradeOutcome outcome = TUpgradeOutcome::Done;
    std::string file;      // UTF-8 path
    int error = 0;         // the system's error number, 0 when it gave none
    std::string why = {};  // the text of the error behind the outcome, when one was raised
    // What became of an earlier upgrade the program found pending first.
    TRecovery recovery = {};
};

class TPackageUpgrade {
public:
    explicit TPackageUpgrade(const std::filesystem::path& packageStore);

    // Opens the package with the archiver (its settings, prompts and events apply), extracts every entry
    // through the staging folder into the install folder and closes the archive.
    TUpgradeResult Run(zip::TZFBaseArchiver& archiver, const std::string& package, const std::string& installFolder);
    // Extracts the package into the install folder's staging folder as Run does, refusing what Run refuses, then
    // removes what it staged: nothing moves into place and no journal is written. For judging a package beforehand.
    TUpgradeResult Rehearse(zip::TZFBaseArchiver& archiver, const std::string& package,
                            const std::string& installFolder);

    TStepHook OnStep;

private:
    TUpgradeResult Upgrade(zip::TZFBaseArchiver& archiver, const std::string& package,
                           const std::string& installFolder);
    TUpgradeResult Stage(zip::TZFBaseArchiver& archiver, const std::string& package, const TUpgradeJournal& journal);
    std::vector<TManifestLine> Plan(const TUpgradeJournal& journal) const;
    TUpgradeResult Commit(const TUpgradeJournal& journal);

    TUpgradePaths paths_;
};

}  // namespace yeroup::app::upgrade
