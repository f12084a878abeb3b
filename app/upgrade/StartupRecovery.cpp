#include "app/upgrade/StartupRecovery.h"

#include "platform/files/AtomicWrite.h"
#include "platform/files/Files.h"

namespace yeroup::app::upgrade {

namespace fs = std::filesystem;

namespace {

// The replaced files are in the backup being made, or, past the point where it took the last backup's place,
// in the last backup.
TRecovery LeftAsItIs(const TUpgradePaths& paths, std::string why) {
    const fs::path backup = platform::AnythingAt(paths.newBackup.string()) ? paths.newBackup
                            : platform::AnythingAt(paths.backup.string())  ? paths.backup
                                                                           : fs::path();
    return {TRecoveryOutcome::LeftAsItIs, std::move(why), backup};
}

TRecovery RollBack(const TUpgradePaths& paths, TUpgradeJournal& journal, const std::vector<TManifestLine>& manifest,
                   const std::string& why, const TStepHook& step) {
    if (const std::string cannot = CannotRollBack(journal, manifest, paths.newBackup); !cannot.empty())
        return LeftAsItIs(paths, why + "; it cannot be rolled back either: " + cannot);
    if (journal.phase != TUpgradePhase::RollBack) {
        journal.phase = TUpgradePhase::RollBack;
        WriteJournal(paths.journal, journal);
    }
    if (!PutBack(journal, manifest, paths.newBackup, step))
        return LeftAsItIs(paths, why + "; a replaced file could not be put back");
    CleanUp(paths, journal, false, step);
    return {TRecoveryOutcome::RolledBack, why, {}};
}

TRecovery Finish(const TUpgradePaths& paths, TUpgradeJournal& journal, const std::vector<TManifestLine>& manifest,
                 const TStepHook& step) {
    if (const std::string cannot = CannotFinish(journal, manifest, paths.newBackup); !cannot.empty())
        return RollBack(paths, journal, manifest, "interrupted while moving files into place, and " + cannot, step);
    try {
        MoveIntoPlace(journal, manifest, step);
    } catch (const ECommitError& e) {
        return RollBack(paths, journal, manifest, std::string("interrupted while moving files into place; ") + e.what(),
                        step);
    }
    journal.phase = TUpgradePhase::Done;
    WriteJournal(paths.journal, journal);
    CleanUp(paths, journal, true, step);
    return {TRecoveryOutcome::Finished, "interrupted while moving files into place", paths.backup};
}

// Folders named with and without a trailing separator or "." parts are one folder.
fs::path FolderName(const fs::path& folder) {
    fs::path normal = folder.lexically_normal();
    return normal.has_filename() ? normal : normal.parent_path();
}

// Why a readable journal is still not one this program acts on: anyone who can write the package store can write
// a journal whose checksums match, so it must name the folders this program would have written it with.
std::string ForeignJournalReason(const TUpgradeJournal& journal, const fs::path& installFolder) {
    if (installFolder.empty())
        return "the upgrade journal names the install folder " + journal.install.string() +
               " while the registry names none";
    if (FolderName(journal.install) != FolderName(installFolder))
        return "the upgrade journal names the install folder " + journal.install.string() +
               ", not the one the registry names (" + installFolder.string() + ")";
    if (journal.staging != TUpgradePaths::StagingFor(journal.install))
        return "the upgrade journal names the staging folder " + journal.staging.string() + ", not " +
               TUpgradePaths::StagingFor(journal.install).string();
    return {};
}

TRecovery Settle(const TUpgradePaths& paths, TUpgradeJournal& journal, const TStepHook& step) {
    switch (journal.phase) {
    case TUpgradePhase::Staging:
        CleanUp(paths, journal, false, step);
        return {TRecoveryOutcome::RolledBack, "interrupted while extracting; nothing was replaced", {}};
    case TUpgradePhase::Commit:
        return Finish(paths, journal, ReadManifest(paths.newBackup / kManifestName, journal), step);
    case TUpgradePhase::RollBack:
        return RollBack(paths, journal, ReadManifest(paths.newBackup / kManifestName, journal),
                        "interrupted while rolling back", step);
    case TUpgradePhase::Done:
        CleanUp(paths, journal, true, step);
        return {TRecoveryOutcome::Finished, "interrupted while cleaning up", paths.backup};
    }
    return {};
}

}  // namespace

TRecovery RecoverUpgrade(const fs::path& packageStore, const fs::path& installFolder, const TStepHook& step) {
    const TUpgradePaths paths(packageStore);
    try {
        std::optional<TUpgradeJournal> journal = ReadJournal(paths.journal);
        if (journal) {
            if (const std::string foreign = ForeignJournalReason(*journal, installFolder); !foreign.empty())
                return LeftAsItIs(paths, foreign);
            return Settle(paths, *journal, step);
        }
        // Without a journal no upgrade is under way; a backup in the making then is a state this program did
        // not leave, and it is not for it to guess what it means.
        if (platform::AnythingAt(paths.newBackup.string()) || platform::AnythingAt(paths.oldBackup.string()))
            return LeftAsItIs(
                paths,
                "the upgrade journal " + paths.journal.string() + " is missing while " +
                    (platform::AnythingAt(paths.newBackup.string()) ? paths.newBackup : paths.oldBackup).string() +
                    " is there");
        return {};
    } catch (const std::exception& e) {
        // An unreadable journal or list, or a journal that could not be written: the state stays for the user.
        return LeftAsItIs(paths, e.what());
    }
}

std::string RecoveryText(const TRecovery& recovery) {
    std::string text;
    switch (recovery.outcome) {
    case TRecoveryOutcome::Nothing: return "nothing pending";
    case TRecoveryOutcome::Finished: text = "finished"; break;
    case TRecoveryOutcome::RolledBack: text = "rolled back"; break;
    case TRecoveryOutcome::LeftAsItIs: text = "left as it is"; break;
    }
    text += ": " + recovery.why;
    if (!recovery.backup.empty()) text += "; the replaced files are in " + recovery.backup.string();
    return text;
}

TRecovery RecoverAtStartup(const fs::path& exeFolder, const fs::path& packageStore, const fs::path& installFolder) {
    TRecovery recovery = RecoverUpgrade(packageStore, installFolder);
    platform::RemoveReplacementTemporaries(exeFolder);
    platform::RemoveReplacementTemporaries(packageStore);
    return recovery;
}

}  // namespace yeroup::app::upgrade
