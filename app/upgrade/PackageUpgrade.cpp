#include "app/upgrade/PackageUpgrade.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "app/upgrade/StartupRecovery.h"
#include "platform/files/Files.h"
#include "platform/streams/Stream.h"
#include "platform/text/AsciiText.h"
#include "platform/text/CodePages.h"
#include "zip/CaseBlindNames.h"

namespace yeroup::app::upgrade {

namespace fs = std::filesystem;

namespace {

// Errors of the file system, as opposed to what the package holds.
bool IsWriteFailure(std::int32_t nativeError) {
    return nativeError == zip::zfeCannotCreateFile || nativeError == zip::zfeCannotCreateDir;
}

// A relative name's parts as Windows stores them, letters folded, as the archiver matches names; "." and empty
// parts drop out.
std::vector<std::string> FoldedParts(const std::string& relative) {
    std::vector<std::string> parts;
    for (const fs::path& part : fs::path(relative)) {
        std::string text = zip::WindowsPartName(part.string());
        if (text.empty() || text == "." || text == "/") continue;
        for (char& c : text) c = platform::AsciiUpper(c);
        parts.push_back(std::move(text));
    }
    return parts;
}

// The program's own folders as names in the install folder reach them: the staging folder, and the journal and
// the backups when the package store lies inside the install folder.
std::vector<std::vector<std::string>> OwnFolders(const TUpgradePaths& paths, const TUpgradeJournal& journal) {
    std::vector<std::vector<std::string>> own{FoldedParts(journal.staging.filename().string())};
    std::error_code storeError, installError;
    const fs::path storeFolder = fs::weakly_canonical(paths.store, storeError);
    const fs::path store = storeFolder.lexically_relative(fs::weakly_canonical(journal.install, installError));
    if (storeError || installError || store.empty() || *store.begin() == "..") return own;
    for (const fs::path* state : {&paths.journal, &paths.backup, &paths.newBackup, &paths.oldBackup})
        own.push_back(FoldedParts((store / state->filename()).string()));
    return own;
}

// The first entry that would land in one of the program's own folders, or null.
const zip::TDirItem* EntryInOwnFolder(zip::TZFDirManager& directory, const std::vector<std::vector<std::string>>& own) {
    for (int i = 0; i < directory.Count(); ++i) {
        const zip::TDirItem& entry = directory.Items().ItemRef(i);
        const std::vector<std::string> parts = FoldedParts(entry.diskName);
        for (const std::vector<std::string>& folder : own)
            if (parts.size() >= folder.size() && std::equal(folder.begin(), folder.end(), parts.begin())) return &entry;
    }
    return nullptr;
}

void Abandon(const TUpgradePaths& paths, const TUpgradeJournal& journal) {
    std::error_code ec;
    fs::remove_all(journal.staging, ec);
    fs::remove_all(paths.newBackup, ec);
    // With anything left, the journal (still in its staging phase) has the next start remove it.
    if (!fs::exists(fs::symlink_status(journal.staging, ec)) && !fs::exists(fs::symlink_status(paths.newBackup, ec)))
        fs::remove(paths.journal, ec);
}

// The file number of a staged file or folder, which its rename into place keeps.
std::uint64_t FileNumber(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) throw ECommitError(path, errno);
    return st.st_ino;
}

}  // namespace

TPackageUpgrade::TPackageUpgrade(const fs::path& packageStore) : paths_(packageStore) {}

TUpgradeResult TPackageUpgrade::Run(zip::TZFBaseArchiver& archiver, const std::string& package,
                                    const std::string& installFolder) {
    // What an earlier run left must be settled before this one may use the same folders; a state that cannot
    // be read stops every upgrade until it is readable again or removed.
    const TRecovery recovery = RecoverUpgrade(paths_.store, installFolder);
    if (recovery.outcome == TRecoveryOutcome::LeftAsItIs)
        return {TUpgradeOutcome::Unsettled, recovery.backup.string(), 0, recovery.why, recovery};
    TUpgradeResult result = Upgrade(archiver, package, installFolder);
    result.recovery = recovery;
    return result;
}

TUpgradeResult TPackageUpgrade::Upgrade(zip::TZFBaseArchiver& archiver, const std::string& package,
                                        const std::string& installFolder) {
    TUpgradeJournal journal;
    journal.install = installFolder;
    journal.staging = TUpgradePaths::StagingFor(journal.install);
    try {
        std::error_code ec;
        fs::create_directories(paths_.store, ec);
        WriteJournal(paths_.journal, journal);
    } catch (const std::exception& e) {
        return {TUpgradeOutcome::CannotWrite, paths_.journal.string(), errno, e.what()};
    }
    if (OnStep) OnStep();
    TUpgradeResult result = Stage(archiver, package, journal);
    archiver.CloseArchive();
    archiver.StagingDir.clear();
    if (result.outcome != TUpgradeOutcome::Done) {
        Abandon(paths_, journal);
        return result;
    }
    return Commit(journal);
}

TUpgradeResult TPackageUpgrade::Rehearse(zip::TZFBaseArchiver& archiver, const std::string& package,
                                         const std::string& installFolder) {
    TUpgradeJournal journal;
    journal.install = installFolder;
    journal.staging = TUpgradePaths::StagingFor(journal.install);
    TUpgradeResult result = Stage(archiver, package, journal);
    archiver.CloseArchive();
    archiver.StagingDir.clear();
    std::error_code ec;
    fs::remove_all(journal.staging, ec);
    return result;
}

TUpgradeResult TPackageUpgrade::Stage(zip::TZFBaseArchiver& archiver, const std::string& package,
                                      const TUpgradeJournal& journal) {
    std::error_code ec;
    fs::remove_all(journal.staging, ec);
    if (!fs::create_directories(journal.staging, ec) && ec)
        return {TUpgradeOutcome::CannotWrite, journal.staging.string(), ec.value()};
    archiver.FileName = package;
    try {
        archiver.OpenArchive(zip::kOpenReadDenyWrite);
        // Such an entry would vanish with the staging folder, or take the place of a backup: the package is
        // refused before anything is written.
        if (const zip::TDirItem* entry = EntryInOwnFolder(*archiver.DirManager(), OwnFolders(paths_, journal)))
            return {TUpgradeOutcome::PackageDamaged, package, 0,
                    "the entry \"" + entry->diskName + "\" would land in the program's own folders"};
        archiver.BaseDir = journal.install.string();
        archiver.StagingDir = journal.staging.string();
        archiver.ExtractFiles("*.*", zip::kSearchAllAttributes, "");
    } catch (const zip::EZFException& e) {
        if (e.NativeError() == zip::zfeFileNotFound) return {TUpgradeOutcome::PackageMissing, package, 0, e.what()};
        return {TUpgradeOutcome::PackageDamaged, package, 0, e.what()};
    } catch (const std::exception& e) {
        // A read error of the archive stream: the package ends where it must not.
        if (!fs::exists(package)) return {TUpgradeOutcome::PackageMissing, package, 0, e.what()};
        return {TUpgradeOutcome::PackageDamaged, package, 0, e.what()};
    }
    const zip::TZFRunSummary& run = archiver.LastRun();
    if (run.Failed == 0 && run.Skipped == 0 && !run.Stopped) return {};
    if (run.Failed != 0 && IsWriteFailure(run.NativeError))
        return {TUpgradeOutcome::CannotWrite, (journal.install / platform::AnsiToUtf8(run.FailedName)).string(),
                run.SystemError};
    return {TUpgradeOutcome::PackageDamaged, package, 0};
}

std::vector<TManifestLine> TPackageUpgrade::Plan(const TUpgradeJournal& journal) const {
    std::vector<TManifestLine> manifest;
    for (auto it = fs::recursive_directory_iterator(journal.staging); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = it->path().lexically_relative(journal.staging).string();  // no look-ups
        const fs::path target = journal.install / relative;
        const fs::file_status existing = fs::symlink_status(target);
        if (it->is_directory()) {
            if (fs::is_directory(existing)) continue;
            if (fs::exists(existing)) throw ECommitError(target, ENOTDIR);
            // A folder the install folder lacks moves in whole, with all it holds, in one rename.
            manifest.push_back({TChange::NewFolder, relative, FileNumber(it->path())});
            it.disable_recursion_pending();
        } else {
            if (fs::is_directory(existing)) throw ECommitError(target, EISDIR);
            manifest.push_back(
                {fs::exists(existing) ? TChange::ReplacedFile : TChange::NewFile, relative, FileNumber(it->path())});
        }
    }
    // Folders before what they hold.
    std::sort(manifest.begin(), manifest.end(),
              [](const TManifestLine& a, const TManifestLine& b) { return a.path < b.path; });
    return manifest;
}

TUpgradeResult TPackageUpgrade::Commit(const TUpgradeJournal& staged) {
    TUpgradeJournal journal = staged;
    std::vector<TManifestLine> manifest;
    try {
        manifest = Plan(journal);
        std::error_code ec;
        fs::remove_all(paths_.newBackup, ec);
        fs::create_directories(paths_.newBackup);
        for (const TManifestLine& line : manifest) {
            if (line.change != TChange::ReplacedFile) continue;
            const fs::path copy = paths_.newBackup / line.path;
            fs::create_directories(copy.parent_path());
            LinkOrCopy(journal.install / line.path, copy);
            if (OnStep) OnStep();
        }
        journal.changes = manifest.size();
        journal.changesCrc = WriteManifest(paths_.newBackup / kManifestName, manifest);
        // One flush for every staged file and the whole backup, before the journal lets them count.
        if (!platform::SyncFileSystem(journal.staging.string()) || !platform::SyncFileSystem(paths_.newBackup.string()))
            throw ECommitError(journal.staging, errno);
        journal.phase = TUpgradePhase::Commit;
        WriteJournal(paths_.journal, journal);
        if (OnStep) OnStep();
    } catch (const ECommitError& e) {
        Abandon(paths_, journal);
        return {TUpgradeOutcome::CannotWrite, e.File().string(), e.Error(), e.what()};
    } catch (const fs::filesystem_error& e) {
        Abandon(paths_, journal);
        return {TUpgradeOutcome::CannotWrite, e.path1().string(), e.code().value(), e.what()};
    } catch (const std::exception& e) {
        const int error = errno;
        Abandon(paths_, journal);
        return {TUpgradeOutcome::CannotWrite, paths_.journal.string(), error, e.what()};
    }

    try {
        MoveIntoPlace(journal, manifest, OnStep);
    } catch (const ECommitError& e) {
        // Put the previous files back; the journal says so first, in case this run is killed while doing it.
        journal.phase = TUpgradePhase::RollBack;
        try {
            WriteJournal(paths_.journal, journal);
        } catch (const std::exception&) {}
        if (PutBack(journal, manifest, paths_.newBackup, OnStep)) CleanUp(paths_, journal, false, OnStep);
        return {TUpgradeOutcome::CannotWrite, e.File().string(), e.Error(), e.what()};
    }
    journal.phase = TUpgradePhase::Done;
    try {
        WriteJournal(paths_.journal, journal);
    } catch (const std::exception& e) {
        // The files are in place; the journal still says commit, which the next start finishes.
        return {TUpgradeOutcome::Done, {}, 0, e.what()};
    }
    if (OnStep) OnStep();
    CleanUp(paths_, journal, true, OnStep);
    return {};
}

}  // namespace yeroup::app::upgrade
