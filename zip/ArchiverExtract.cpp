#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/files/Files.h"
#include "zip/Archiver.h"
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
    processed_ = 0;
    selected_ = 0;
    cancel_ = false;
    progressEnabled_ = true;
    declineAllOverwrites_ = false;
    for (int i = 0; i < items.Count(); ++i)
        if (items.ItemRef(i).selected) ++selected_;

    bool stopped = false;
    DoOverallProgress(0, poExtract, ppStart, cancel_);
    if (!cancel_) {
        for (int i = 0; i < items.Count() && !stopped; ++i) {
            if (!items.ItemRef(i).selected) continue;
            items.ItemRef(i).operation = poExtract;
            TZFAction action = fxaIgnore;
            do {
                action = fxaIgnore;
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
                    ExtractEntry(entry, name, destFolder);
                    // A cancel asked for during the entry must survive the end event.
                    bool cancelAtEnd = false;
                    DoFileProgress(name, 100, poExtract, ppEnd, cancelAtEnd);
                    cancel_ = cancel_ || cancelAtEnd;
                    if (cancel_)
                        stopped = true;
                    else
                        ++processed_;
                } catch (const EZFException& error) {
                    DoProcessFileFailure(name, poExtract, error, action);
                    if (action == fxaAbort) stopped = true;
                }
            } while (action == fxaRetry);
        }
        bool ignored = false;
        DoOverallProgress(100, poExtract, ppEnd, ignored);
    }
    if (cancel_ || stopped) updateLevel_ = 0;
    progressEnabled_ = false;
}

void TZFBaseArchiver::ExtractEntry(TDirItem& entry, const std::string& eventName, const std::string& destFolder) {
    std::string name = eventName;
    std::uint32_t attributes = entry.externalAttributes;
    if (OnExtractFile) OnExtractFile(this, name, attributes, entry.comment);
    if (!IsSafeRelativeName(name)) Raise(zfeUnsafeName, name);

    const std::string& folder = destFolder;
    if (Options.CreateDirs) {
        const std::string target = folder + ExtractFilePath(name);
        if (!platform::ForceDirectories(target)) Raise(zfeCannotCreateDir, target);
    } else {
        name = ExtractFileName(name);
    }
    if (entry.IsDirectory()) return;

    std::string destination = folder + name;
    if (platform::FileExists(destination)) {
        if (!Options.ReplaceReadOnly && (platform::GetFileAttributes(destination) & platform::faReadOnly)) return;
        std::uint32_t existing = 0;
        const bool haveTime = platform::GetFileDosDateTime(destination, existing);
        switch (Options.OverwriteMode) {
        case omAlways: break;
        case omNever: return;
        case omIfNewer:
            if (haveTime && !(existing < entry.DosDateTime())) return;
            break;
        case omIfOlder:
            if (haveTime && !(entry.DosDateTime() < existing)) return;
            break;
        case omPrompt: {
            bool confirm = false;
            DoConfirmOverwrite(name, destination, confirm);
            if (!confirm) return;
            break;
        }
        }
    }
    if (ExtractFileName(destination).empty() || platform::DirectoryExists(destination) ||
        platform::IsFileLockedByOther(destination))
        Raise(zfeCannotCreateFile, destination);

    const std::string temporary = TemporaryNameFor(destination);
    platform::TLockedFile out = platform::TLockedFile::CreateNew(temporary);
    if (!out.IsOpen()) Raise(zfeCannotCreateFile, destination);

    bool decoded = false;
    try {
        decoded = DecodeEntry(entry, eventName, out);
    } catch (...) {
        out.Close();
        platform::DeleteFile(temporary);
        throw;
    }
    out.SetDosDateTime(entry.DosDateTime());
    const bool flushed = !Options.FlushBuffers || out.Flush();
    out.Close();
    if (cancel_ || skipEntry_) {
        platform::DeleteFile(temporary);
        return;
    }
    if (!decoded && !ExtractCorruptedFiles) {
        platform::DeleteFile(temporary);
        Raise(zfeBadEntry);
    }
    if (Options.SetAttributes) platform::SetFileAttributes(temporary, attributes);
    if (!flushed || std::rename(temporary.c_str(), destination.c_str()) != 0) {
        platform::DeleteFile(temporary);
        Raise(zfeCannotCreateFile, destination);
    }
}

}  // namespace yeroup::zip
