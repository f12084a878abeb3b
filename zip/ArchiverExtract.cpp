#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>

#include "platform/files/Files.h"
#include "zip/Archiver.h"
#include "zip/Limits.h"
#include "zip/PathNames.h"

namespace yeroup::zip {

namespace {

// Held by every processing loop, so two archivers never run one at the same time; recursive
// because an event handler may start another run on the same thread.
std::recursive_mutex& ArchiverLock() {
    static std::recursive_mutex lock;
    return lock;
}

// A name beside the destination for the file being written, so a failed entry never replaces or
// leaves behind anything under the final name. Short, so it fits wherever the final name fits.
std::string TemporaryNameFor(const std::string& destination) {
    static std::atomic<unsigned> counter{0};
    char name[48];
    std::snprintf(name, sizeof name, ".~yz%ld-%u.tmp", static_cast<long>(::getpid()), counter.fetch_add(1));
    return ExtractFilePath(destination) + name;
}

}  // namespace

void TZFBaseArchiver::ExtractFiles(const std::string& fileMask, std::uint32_t searchAttr,
                                   const std::string& exclusionMask) {
    if (!active_) Raise(zfeNotOpen);
    if (updateLevel_ > 0) Raise(zfeUpdatePending);
    SelectEntries(fileMask, searchAttr, exclusionMask);

    std::lock_guard<std::recursive_mutex> lock(ArchiverLock());
    TZFDirArray& items = dirManager_->Items();
    BeginRun(items);
    bool stopped = false;
    DoOverallProgress(0, poExtract, ppStart, cancel_);
    if (!cancel_) {
        for (int i = 0; i < items.Count() && !stopped; ++i)
            if (items.ItemRef(i).selected) stopped = ExtractSelected(items.ItemRef(i));
        bool ignored = false;
        DoOverallProgress(100, poExtract, ppEnd, ignored);
    }
    EndRun(stopped);
}

void TZFBaseArchiver::SelectEntries(const std::string& fileMask, std::uint32_t searchAttr,
                                    const std::string& exclusionMask) {
    TZFDirArray& items = dirManager_->Items();
    items.ClearSelection();
    TZFArchiveItem found;
    for (bool more = FindFirst(fileMask, found, searchAttr, exclusionMask); more; more = FindNext(found))
        items.ItemRef(found.Handle.index).selected = true;
}

void TZFBaseArchiver::BeginRun(const TZFDirArray& items) {
    lastRun_ = TZFRunSummary();
    RefuseOversizedRun(items);
    processed_ = 0;
    selected_ = 0;
    cancel_ = false;
    progressEnabled_ = true;
    declineAllOverwrites_ = false;
    lastFolder_.clear();
    spelling_ = TCaseBlindNames();
    for (int i = 0; i < items.Count(); ++i)
        if (items.ItemRef(i).selected) ++selected_;
}

// One selected entry, attempted again while the failure event answers Retry. True when the run stops here.
bool TZFBaseArchiver::ExtractSelected(TDirItem& entry) {
    entry.operation = poExtract;
    TZFAction action = fxaIgnore;
    bool failed = false;
    bool stopped = false;
    do {
        action = fxaIgnore;
        failed = false;
        skipEntry_ = false;
        const std::string name = ReplaceChar(entry.name, '/', platform::kPathDelim);
        bool confirm = true;
        DoConfirmProcessFile(name, poExtract, confirm);
        if (!confirm) break;
        const std::string destFolder = DestinationFolder(BaseDir);
        DoFileProgress(name, 0, poExtract, ppStart, cancel_);
        if (cancel_) {
            stopped = true;
            break;
        }
        try {
            stopped = ExtractAndReport(entry, name, destFolder);
        } catch (const EZFException& error) {
            failed = true;
            NoteFailure(error, name);
            DoProcessFileFailure(name, poExtract, error, action);
            if (action == fxaAbort) stopped = true;
        }
    } while (action == fxaRetry);
    if (failed) ++lastRun_.Failed;
    return stopped;
}

// The entry, then its end event. True when a cancel stops the run.
bool TZFBaseArchiver::ExtractAndReport(TDirItem& entry, const std::string& name, const std::string& destFolder) {
    systemError_ = 0;
    ExtractEntry(entry, name, destFolder);
    if (skipEntry_) ++lastRun_.Skipped;
    // A cancel asked for during the entry must survive the end event.
    bool cancelAtEnd = false;
    DoFileProgress(name, 100, poExtract, ppEnd, cancelAtEnd);
    cancel_ = cancel_ || cancelAtEnd;
    if (cancel_) return true;
    ++processed_;
    return false;
}

void TZFBaseArchiver::NoteFailure(const EZFException& error, const std::string& name) {
    if (lastRun_.Failed != 0 || lastRun_.NativeError != 0) return;
    lastRun_.NativeError = error.NativeError();
    lastRun_.FailedName = name;
    lastRun_.SystemError = systemError_;
}

void TZFBaseArchiver::EndRun(bool stopped) {
    if (cancel_ || stopped) updateLevel_ = 0;
    progressEnabled_ = false;
    lastRun_.Selected = selected_;
    lastRun_.Processed = processed_;
    lastRun_.Stopped = cancel_ || stopped;
}

// An entry never writes more than its declared size, so the declared sizes bound the whole run: a bomb
// (a small archive declaring huge entries) is refused before anything is written.
void TZFBaseArchiver::RefuseOversizedRun(const TZFDirArray& items) const {
    std::uint64_t declared = 0;
    for (int i = 0; i < items.Count(); ++i) {
        const TDirItem& entry = items.ItemRef(i);
        if (!entry.selected || entry.IsDirectory()) continue;
        if (entry.UncompressedSize() > kMaxExtractedBytes - declared)
            Raise(zfeOutputTooLarge, std::to_string(kMaxExtractedBytes));
        declared += entry.UncompressedSize();
    }
}

void TZFBaseArchiver::RaiseSystem(std::int32_t nativeError, const std::string& argument) {
    systemError_ = errno;
    Raise(nativeError, argument);
}

// Entries made on Unix keep their permission bits, never more than read, write and execute;
// the others get the DOS read-only bit.
void TZFBaseArchiver::ApplyAttributes(const TDirItem& entry, platform::TLockedFile& file,
                                      std::uint32_t attributes) const {
    constexpr std::uint32_t kTypeMask = 0170000, kRegular = 0100000, kPermissions = 0777, kWriteBits = 0222;
    const std::uint32_t mode = attributes >> 16;
    if (entry.MadeOnUnix() && (mode & kPermissions) != 0 &&
        ((mode & kTypeMask) == kRegular || (mode & kTypeMask) == 0)) {
        std::uint32_t permissions = mode & kPermissions;
        if (attributes & platform::faReadOnly) permissions &= ~kWriteBits;
        file.SetPermissions(permissions);
        return;
    }
    file.SetAttributes(attributes);
}

void TZFBaseArchiver::ExtractEntry(TDirItem& entry, const std::string& eventName, const std::string& destFolder) {
    TEntryTarget target = NameEntry(entry, eventName, destFolder);
    // A folder entry is done once its folder exists.
    if (entry.IsDirectory()) return;
    if (!AcceptDestination(entry, target)) return;
    WriteEntry(entry, eventName, target);
}

// The names the entry lands under, and its folders, created.
TZFBaseArchiver::TEntryTarget TZFBaseArchiver::NameEntry(const TDirItem& entry, const std::string& eventName,
                                                         const std::string& destFolder) {
    TEntryTarget target{eventName, entry.externalAttributes, destFolder, {}, {}, {}};
    if (OnExtractFile) OnExtractFile(this, target.name, target.attributes, entry.comment);
    // The file system spells names in UTF-8; a name the handler gave is converted like any other.
    std::string diskName =
        target.name == eventName ? ReplaceChar(entry.diskName, '/', platform::kPathDelim) : AnsiToDiskName(target.name);
    if (!IsSafeRelativeName(target.name) || !IsSafeRelativeName(diskName)) Raise(zfeUnsafeName, target.name);

    if (!Options.CreateDirs) {
        target.name = ExtractFileName(target.name);
        diskName = ExtractFileName(diskName);
    }
    bool clash = false;
    diskName = spelling_.Spell(destFolder, diskName, entry.IsDirectory(), clash);
    // A link entry followed by entries under its name, or any other name the archive makes both a file and a
    // folder: one of them would fail to land, or land through the other.
    if (clash) Raise(zfeFileAndFolder, target.name);
    const std::string writeFolder = StagingDir.empty() ? destFolder : IncludeTrailingPathDelimiter(StagingDir);
    if (Options.CreateDirs) {
        // Entries of one folder come one after another: its creation is checked once for them.
        const std::string entryFolder = writeFolder + ExtractFilePath(diskName);
        if (entryFolder != lastFolder_ && !platform::ForceDirectories(entryFolder))
            RaiseSystem(zfeCannotCreateDir, destFolder + ExtractFilePath(target.name));
        lastFolder_ = entryFolder;
    }
    // Names in messages stay in the ANSI code page, as the entry names of the events.
    target.shownName = destFolder + target.name;
    target.destination = destFolder + diskName;
    target.target = writeFolder + diskName;
    return target;
}

// What stands at the destination: false when the overwrite rules keep it; raises when it cannot be replaced.
bool TZFBaseArchiver::AcceptDestination(const TDirItem& entry, TEntryTarget& target) {
    const std::uint32_t existingAttributes = platform::GetFileAttributes(target.destination);
    const bool exists = existingAttributes != platform::kInvalidFileAttributes;
    if (exists && (existingAttributes & platform::faDirectory)) {
        errno = EISDIR;
        RaiseSystem(zfeCannotCreateFile, target.shownName);
    }
    if (exists) {
        if (!Options.ReplaceReadOnly && (existingAttributes & platform::faReadOnly)) return false;
        if (!OverwriteConfirmed(entry, target)) return false;
    }
    if (ExtractFileName(target.destination).empty()) Raise(zfeCannotCreateFile, target.shownName);
    if (target.redirected && platform::DirectoryExists(target.destination)) {
        errno = EISDIR;
        RaiseSystem(zfeCannotCreateFile, target.shownName);
    }
    if ((exists || target.redirected) && platform::IsFileLockedByOther(target.destination)) {
        errno = EBUSY;
        RaiseSystem(zfeCannotCreateFile, target.shownName);
    }
    return true;
}

// The overwrite mode's answer for an existing destination; the prompt may choose another one.
bool TZFBaseArchiver::OverwriteConfirmed(const TDirItem& entry, TEntryTarget& target) {
    std::uint32_t existing = 0;
    switch (Options.OverwriteMode) {
    case omAlways: return true;
    case omNever: return false;
    case omIfNewer:
        return !platform::GetFileDosDateTime(target.destination, existing) || existing < entry.DosDateTime();
    case omIfOlder:
        return !platform::GetFileDosDateTime(target.destination, existing) || entry.DosDateTime() < existing;
    case omPrompt: break;
    }
    bool confirm = false;
    std::string dest = target.shownName;
    DoConfirmOverwrite(target.name, dest, confirm);
    if (!confirm) return false;
    if (dest != target.shownName) {
        // The handler chose another destination; a staged run can only stage it under BaseDir.
        const std::string& folder = target.folder;
        if (!StagingDir.empty() && dest.compare(0, folder.size(), folder) != 0) Raise(zfeCannotCreateFile, dest);
        target.redirected = true;
        target.destination = dest;
        target.target =
            StagingDir.empty() ? dest : IncludeTrailingPathDelimiter(StagingDir) + dest.substr(folder.size());
    }
    return true;
}

// Writes, checks and finishes the file: only a whole, verified file takes the target's name.
void TZFBaseArchiver::WriteEntry(const TDirItem& entry, const std::string& eventName, const TEntryTarget& target) {
    // Direct: written beside the destination under a temporary name, so a failed entry never replaces
    // anything. Staged: the staging folder is the run's own, the file goes there under its name.
    const std::string temporary = StagingDir.empty() ? TemporaryNameFor(target.target) : target.target;
    platform::TLockedFile out = platform::TLockedFile::CreateNew(temporary);
    if (!out.IsOpen() && !StagingDir.empty() && errno == EEXIST && platform::DeleteFile(temporary))
        out = platform::TLockedFile::CreateNew(temporary);  // an entry of the same name came before
    if (!out.IsOpen()) RaiseSystem(zfeCannotCreateFile, target.shownName);

    bool decoded = false;
    writeError_ = 0;
    try {
        decoded = DecodeEntry(entry, eventName, out);
    } catch (...) {
        out.Close();
        platform::DeleteFile(temporary);
        throw;
    }
    out.SetDosDateTime(entry.DosDateTime());
    if (Options.FlushBuffers) out.WriteBehind(/*rest=*/true);
    // On the open file: no look-up of its name in what may be a large folder.
    if (Options.SetAttributes) ApplyAttributes(entry, out, target.attributes);
    // Staged files are flushed together by the caller.
    const bool flushed = !Options.FlushBuffers || !StagingDir.empty() || out.Flush();
    const int flushError = flushed ? 0 : errno;
    out.Close();
    if (cancel_ || skipEntry_) {
        platform::DeleteFile(temporary);
        return;
    }
    if (writeError_ != 0 || flushError != 0) {
        platform::DeleteFile(temporary);
        errno = writeError_ != 0 ? writeError_ : flushError;
        RaiseSystem(zfeCannotCreateFile, target.shownName);
    }
    if (!decoded && !ExtractCorruptedFiles) {
        platform::DeleteFile(temporary);
        Raise(zfeBadEntry);
    }
    if (temporary != target.target && std::rename(temporary.c_str(), target.target.c_str()) != 0) {
        const int error = errno;
        platform::DeleteFile(temporary);
        errno = error;
        RaiseSystem(zfeCannotCreateFile, target.shownName);
    }
}

}  // namespace yeroup::zip
