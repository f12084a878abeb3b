#include "app/upgrade/StartupRecovery.h"

#include "platform/files/AtomicWrite.h"

namespace yeroup::app::upgrade {

namespace fs = std::filesystem;

bool RecoverUpgrade(const fs::path& packageStore, const TStepHook& step) {
    const TUpgradePaths paths(packageStore);
    std::error_code ec;
    std::optional<TUpgradeJournal> journal = ReadJournal(paths.journal);
    if (!journal) {
        // No upgrade pending; a journal that cannot be read was never completely written.
        fs::remove(paths.journal, ec);
        fs::remove_all(paths.newBackup, ec);
        fs::remove_all(paths.oldBackup, ec);
        return true;
    }
    try {
        switch (journal->phase) {
        case TUpgradePhase::Staging: CleanUp(paths, *journal, false, step); return true;
        case TUpgradePhase::Commit: {
            const std::vector<TManifestLine> manifest = ReadManifest(paths.newBackup / kManifestName);
            try {
                MoveIntoPlace(*journal, manifest, step);
            } catch (const ECommitError&) {
                journal->phase = TUpgradePhase::RollBack;
                WriteJournal(paths.journal, *journal);
                if (!PutBack(*journal, manifest, paths.newBackup, step)) return false;
                CleanUp(paths, *journal, false, step);
                return true;
            }
            journal->phase = TUpgradePhase::Done;
            WriteJournal(paths.journal, *journal);
            CleanUp(paths, *journal, true, step);
            return true;
        }
        case TUpgradePhase::RollBack: {
            const std::vector<TManifestLine> manifest = ReadManifest(paths.newBackup / kManifestName);
            if (!PutBack(*journal, manifest, paths.newBackup, step)) return false;
            CleanUp(paths, *journal, false, step);
            return true;
        }
        case TUpgradePhase::Done: CleanUp(paths, *journal, true, step); return true;
        }
    } catch (const std::exception&) {
        // The journal stays for the next start.
    }
    return false;
}

bool RecoverAtStartup(const fs::path& exeFolder, const fs::path& packageStore) {
    const bool settled = RecoverUpgrade(packageStore);
    platform::RemoveReplacementTemporaries(exeFolder);
    platform::RemoveReplacementTemporaries(packageStore);
    return settled;
}

}  // namespace yeroup::app::upgrade
