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

    TZFDirArray& items = dirManager_->Items();
    items.ClearSelection();
    TZFArchiveItem found;
    for (bool more = FindFirst(fileMask, found, searchAttr, exclusionMask); more; more = FindNext(found))
        items.ItemRef(found.Handle.index).selected = true;

    std::lock_guard<std::recursive_mutex> lock(ArchiverLock());
    lastRun_ = TZFRunSummary();
    RefuseOversizedRun(items);
    processed_ = 0;
    selected_ = 0;
    cancel_ = false;
    progressEnabled_ = true;
    declineAllOverwrites_ = false;
    lastFolder_.clear();
    for (int i = 0; i < items.Count(); ++i)
        if (items.ItemRef(i).selected) ++selected_;

    bool stopped = false;
    DoOverallProgress(0, poExtract, ppStart, cancel_);
    if (!cancel_) {
        for (int i = 0; i < items.Count() && !stopped; ++i) {
            if (!items.ItemRef(i).selected) continue;
            items.ItemRef(i).operation = poExtract;
            TZFAction action = fxaIgnore;
            bool failed = false;
            do {
                action = fxaIgnore;
                failed = false;
                skipEntry_ = false;
                TDirItem& entry = items.ItemRef(i);
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
                    systemError_ = 0;
                    ExtractEntry(entry, name, destFolder);
                    if (skipEntry_) ++lastRun_.Skipped;
                    // A cancel asked for during the entry must survive the end event.
                    bool cancelAtEnd = false;
                    DoFileProgress(name, 100, poExtract, ppEnd, cancelAtEnd);
                    cancel_ = cancel_ || cancelAtEnd;
                    if (cancel_)
                        stopped = true;
                    else
                        ++processed_;
                } catch (const EZFException& error) {
                    failed = true;
                    if (lastRun_.Failed == 0 && lastRun_.NativeError == 0) {
                        lastRun_.NativeError = error.NativeError();
                        lastRun_.FailedName = name;
                        lastRun_.SystemError = systemError_;
                    }
                    DoProcessFileFailure(name, poExtract, error, action);
                    if (action == fxaAbort) stopped = true;
                }
            } while (action == fxaRetry);
            if (failed) ++lastRun_.Failed;
        }
        bool ignored = false;
        DoOverallProgress(100, poExtract, ppEnd, ignored);
    }
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
    std::string name = eventName;
    std::uint32_t attributes = entry.externalAttributes;
    if (OnExtractFile) OnExtractFile(this, name, attributes, entry.comment);
    // The file system spells names in UTF-8; a name the handler gave is converted like any other.
    std::string diskName =
        name == eventName ? ReplaceChar(entry.diskName, '/', platform::kPathDelim) : AnsiToDiskName(name);
    if (!IsSafeRelativeName(name) || !IsSafeRelativeName(diskName)) Raise(zfeUnsafeName, name);

    const std::string& folder = destFolder;
    const std::string writeFolder = StagingDir.empty() ? folder : IncludeTrailingPathDelimiter(StagingDir);
    if (Options.CreateDirs) {
        // Entries of one folder come one after another: its creation is checked once for them.
        const std::string entryFolder = writeFolder + ExtractFilePath(diskName);
        if (entryFolder != lastFolder_ && !platform::ForceDirectories(entryFolder))
            RaiseSystem(zfeCannotCreateDir, folder + ExtractFilePath(name));
        lastFolder_ = entryFolder;
    } else {
        name = ExtractFileName(name);
        diskName = ExtractFileName(diskName);
    }
    if (entry.IsDirectory()) return;

    // Names in messages stay in the ANSI code page, as the entry names of the events.
    const std::string shownName = folder + name;
    std::string destination = folder + diskName;
    std::string target = writeFolder + diskName;
    const std::uint32_t existingAttributes = platform::GetFileAttributes(destination);
    const bool exists = existingAttributes != platform::kInvalidFileAttributes;
    bool redirected = false;
    if (exists && (existingAttributes & platform::faDirectory)) {
        errno = EISDIR;
        RaiseSystem(zfeCannotCreateFile, shownName);
    }
    if (exists) {
        if (!Options.ReplaceReadOnly && (existingAttributes & platform::faReadOnly)) return;
        std::uint32_t existing = 0;
        switch (Options.OverwriteMode) {
        case omAlways: break;
        case omNever: return;
        case omIfNewer:
            if (platform::GetFileDosDateTime(destination, existing) && !(existing < entry.DosDateTime())) return;
            break;
        case omIfOlder:
            if (platform::GetFileDosDateTime(destination, existing) && !(entry.DosDateTime() < existing)) return;
            break;
        case omPrompt: {
            bool confirm = false;
            std::string dest = shownName;
            DoConfirmOverwrite(name, dest, confirm);
            if (!confirm) return;
            if (dest != shownName) {
                // The handler chose another destination; a staged run can only stage it under BaseDir.
                if (!StagingDir.empty() && dest.compare(0, folder.size(), folder) != 0)
                    Raise(zfeCannotCreateFile, dest);
                redirected = true;
                destination = dest;
                target = StagingDir.empty() ? dest : writeFolder + dest.substr(folder.size());
            }
            break;
        }
        }
    }
    if (ExtractFileName(destination).empty()) Raise(zfeCannotCreateFile, shownName);
    if (redirected && platform::DirectoryExists(destination)) {
        errno = EISDIR;
        RaiseSystem(zfeCannotCreateFile, shownName);
    }
    if ((exists || redirected) && platform::IsFileLockedByOther(destination)) {
        errno = EBUSY;
        RaiseSystem(zfeCannotCreateFile, shownName);
    }

    // Direct: written beside the destination under a temporary name, so a failed entry never replaces
    // anything. Staged: the staging folder is the run's own, the file goes there under its name.
    const std::string temporary = StagingDir.empty() ? TemporaryNameFor(target) : target;
    platform::TLockedFile out = platform::TLockedFile::CreateNew(temporary);
    if (!out.IsOpen() && !StagingDir.empty() && errno == EEXIST && platform::DeleteFile(temporary))
        out = platform::TLockedFile::CreateNew(temporary);  // an entry of the same name came before
    if (!out.IsOpen()) RaiseSystem(zfeCannotCreateFile, shownName);

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
    if (Options.SetAttributes) ApplyAttributes(entry, out, attributes);
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
        RaiseSystem(zfeCannotCreateFile, shownName);
    }
    if (!decoded && !ExtractCorruptedFiles) {
        platform::DeleteFile(temporary);
        Raise(zfeBadEntry);
    }
    if (temporary != target && std::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        platform::DeleteFile(temporary);
        errno = error;
        RaiseSystem(zfeCannotCreateFile, shownName);
    }
}

}  // namespace yeroup::zip
