#include "zip/Archiver.h"

#include <unistd.h>

#include <algorithm>

#include "platform/files/Files.h"
#include "zip/Limits.h"
#include "zip/Masks.h"
#include "zip/PathNames.h"

namespace yeroup::zip {

namespace {

platform::FileMode StreamModeOf(int openMode) {
    return (openMode & 3) == 0 ? platform::FileMode::fmOpenRead : platform::FileMode::fmOpenReadWrite;
}

}  // namespace

TZFBaseArchiver::TZFBaseArchiver() = default;

TZFBaseArchiver::~TZFBaseArchiver() { CloseArchive(); }

void TZFBaseArchiver::Raise(std::int32_t nativeError, const std::string& argument) const {
    throw EZFException(nativeError, argument, Name);
}

void TZFBaseArchiver::SetCompressionLevel(TZFCompressionLevel level) {
    static constexpr int kModeOfLevel[] = {0, 1, 6, 9};
    compressionLevel_ = level;
    compressionMode_ = kModeOfLevel[level];
    SetCompressionMethod();
}

void TZFBaseArchiver::SetCompressionMode(int mode) {
    if (mode < 0 || mode > 9) Raise(zfeBadCompressionMode);
    compressionMode_ = mode;
    compressionLevel_ = mode == 0 ? clNone : mode <= 3 ? clFastest : mode <= 6 ? clNormal : clMax;
    SetCompressionMethod();
}

void TZFBaseArchiver::SetSpanningMode(TZFSpanningMode mode) {
    if (active_) throw std::runtime_error("Cannot set spanning mode on open archive");
    spanningMode_ = mode;
}

void TZFBaseArchiver::OpenArchive(int mode) {
    if (!InMemory && ExtractFileName(FileName).empty()) Raise(zfeBlankFileName);
    if (mode != kOpenModeCreate && !platform::FileExists(FileName) && spanningMode_ != smSpanning &&
        !IsRemovableDrive(FileName))
        Raise(zfeFileNotFound, FileName);
    if (mode != kOpenModeCreate && InMemory) Raise(zfeInMemoryOnly);
    CloseArchive();
    openMode_ = mode;
    if (mode == kOpenModeCreate) {
        archiveStream_ = std::make_unique<platform::TFileStream>(FileName, platform::FileMode::fmCreate);
        dirManager_ = std::make_unique<TZFDirManager>(*archiveStream_, Options.OEMFileNames);
    } else {
        spanningMode_ = smNone;
        currentVolume_ = TZFVolumeNumberInfo();
        // A self-extracting program is read like any archive: the end record search and the data
        // start offset find the archive behind the program bytes.
        bool found = false;
        do {
            dirManager_.reset();
            if (!platform::FileExists(FileName) && IsRemovableDrive(FileName)) spanningMode_ = smSpanning;
            archiveStream_ = std::make_unique<platform::TFileStream>(FileName, StreamModeOf(mode));
            dirManager_ = std::make_unique<TZFDirManager>(*archiveStream_, Options.OEMFileNames);
            found = dirManager_->FindEndRecord();
            // An end record naming disk 0, or none at all, is a plain single-file archive.
            if (!found || dirManager_->EndRecord().diskNumber == 0) spanningMode_ = smNone;
        } while (!found && spanningMode_ != smNone);
        dirManager_->ReadDirectory(spanningMode_);
        currentVolume_ = dirManager_->Volumes();
    }
    active_ = true;
    if (AfterOpen) AfterOpen(this);
}

void TZFBaseArchiver::OpenArchive() {
    if (!platform::FileExists(FileName))
        OpenArchive(kOpenModeCreate);
    else
        OpenArchive(::access(FileName.c_str(), R_OK | W_OK) == 0 ? kOpenReadWriteDenyWrite : kOpenReadDenyNone);
}

void TZFBaseArchiver::CloseArchive() noexcept {
    if (active_) {
        try {
            // A newly created archive that got no entries is written as an empty archive.
            if (openMode_ == kOpenModeCreate && archiveStream_ && archiveStream_->Size() == 0) {
                const unsigned char empty[22] = {0x50, 0x4B, 0x05, 0x06};
                archiveStream_->WriteBuffer(empty, sizeof empty);
            }
        } catch (...) {}
    }
    active_ = false;
    dirManager_.reset();
    archiveStream_.reset();
}

bool TZFBaseArchiver::FindFirst(const std::string& fileMask, TZFArchiveItem& item, std::uint32_t searchAttr,
                                const std::string& exclusionMask) {
    std::string mask = fileMask;
    const std::string drive = ExtractFileDrive(mask);
    if (!drive.empty() && drive.size() == 2 && Options.StorePath != spFullPathWithDrive) mask.erase(0, 2);
    mask = ReplaceChar(std::move(mask), '\\', '/');
    if (mask.size() > kMaxMaskLength) mask.resize(kMaxMaskLength);
    item.Handle = TInternalSearchRec();
    item.Handle.mask = mask;
    item.Handle.wildcards = mask.find_first_of("*?") != std::string::npos;
    item.Handle.searchAttr = searchAttr;
    item.Handle.exclusionMask = exclusionMask;
    item.Handle.useMaskLists = false;
    item.Handle.index = 0;
    return ScanForMatch(item);
}

bool TZFBaseArchiver::FindNext(TZFArchiveItem& item) {
    ++item.Handle.index;
    return ScanForMatch(item);
}

bool TZFBaseArchiver::ScanForMatch(TZFArchiveItem& item) {
    if (!dirManager_) return false;
    constexpr std::uint32_t kTestedBits = 0x02 | 0x04 | 0x08 | 0x10;
    const TZFDirArray& items = dirManager_->Items();
    const std::string& mask = item.Handle.mask;
    const std::string maskPath = ExtractFilePath(ReplaceChar(mask, '/', platform::kPathDelim));
    for (int i = std::max(item.Handle.index, 0); i < items.Count(); ++i) {
        const TDirItem& entry = items.ItemRef(i);
        std::string name = entry.name;
        if (!name.empty() && (name.back() == '/' || name.back() == '\\')) name.pop_back();
        if (!Options.Recurse && ExtractFilePath(ReplaceChar(name, '/', platform::kPathDelim)) != maskPath) continue;
        const bool nameMatches =
            MatchesMask(name, mask) || MatchesMask(ExtractFileName(ReplaceChar(name, '/', platform::kPathDelim)), mask);
        if (!nameMatches) continue;
        if ((entry.externalAttributes & kTestedBits & ~item.Handle.searchAttr) != 0) continue;
        item.Handle.index = i;
        const std::string diskName = ReplaceChar(entry.name, '/', platform::kPathDelim);
        item.FileName = ExtractFileName(diskName);
        item.StoredPath = ExtractFilePath(diskName);
        item.CompressedSize = entry.CompressedSize();
        item.UncompressedSize = entry.UncompressedSize();
        if (item.UncompressedSize == 0) {
            item.CompressionRate = 100;
        } else {
            const double rate =
                (1.0 - static_cast<double>(item.CompressedSize) / static_cast<double>(item.UncompressedSize)) * 100.0;
            item.CompressionRate = rate < 0 ? 0 : rate;
        }
        item.Encrypted = entry.IsEncrypted();
        item.LastModFileDate = entry.lastModDate;
        item.LastModFileTime = entry.lastModTime;
        item.CRC = entry.crc32;
        item.ExternalFileAttributes = entry.externalAttributes;
        item.Comment = entry.comment;
        return true;
    }
    item.Handle.index = items.Count();
    return false;
}

void TZFBaseArchiver::DoOverallProgress(double progress, TZFProcessOperation operation, TZFProgressPhase phase,
                                        bool& cancel) {
    cancel = false;
    if (OnOverallProgress) OnOverallProgress(this, progress, operation, phase, cancel);
}

void TZFBaseArchiver::DoFileProgress(const std::string& fileName, double progress, TZFProcessOperation operation,
                                     TZFProgressPhase phase, bool& cancel) {
    cancel = false;
    if (OnFileProgress) OnFileProgress(this, fileName, progress, operation, phase, cancel);
}

void TZFBaseArchiver::DoConfirmProcessFile(const std::string& fileName, TZFProcessOperation operation, bool& confirm) {
    if (OnConfirmProcessFile) OnConfirmProcessFile(this, fileName, operation, confirm);
}

void TZFBaseArchiver::DoConfirmOverwrite(const std::string& source, std::string& dest, bool& confirm) {
    if (OnConfirmOverwrite) {
        OnConfirmOverwrite(this, source, dest, confirm);
        return;
    }
    if (declineAllOverwrites_ || !prompts_) {
        confirm = false;
        return;
    }
    switch (prompts_->ConfirmOverwrite(FillIn(texts::kOverwrite, {dest, source}))) {
    case TZFOverwriteAnswer::Yes: confirm = true; break;
    case TZFOverwriteAnswer::No: confirm = false; break;
    case TZFOverwriteAnswer::NoToAll:
        confirm = false;
        declineAllOverwrites_ = true;
        break;
    case TZFOverwriteAnswer::YesToAll:
        confirm = true;
        Options.OverwriteMode = omAlways;
        break;
    }
}

void TZFBaseArchiver::DoPassword(const std::string& fileName, std::string& newPassword, bool& skipFile) {
    if (OnPassword) {
        OnPassword(this, fileName, newPassword, skipFile);
        return;
    }
    std::string value = newPassword;
    if (prompts_ && prompts_->QueryPassword(FillIn(texts::kPasswordFor, {fileName}), texts::kEnterPassword, value))
        newPassword = value;
    else
        skipFile = true;
}

void TZFBaseArchiver::DoProcessFileFailure(const std::string& fileName, TZFProcessOperation operation,
                                           const EZFException& error, TZFAction& action) {
    if (OnProcessFileFailure) {
        OnProcessFileFailure(this, fileName, operation, error.NativeError(), error.ErrorCode(), error.what(), action);
        return;
    }
    action = prompts_ ? prompts_->ProcessFileFailure(FillIn(texts::kFileFailure, {error.what()})) : fxaAbort;
}

TZFZipArchiver::TZFZipArchiver() {
    Zip64Mode = zmDisabled;
    // No class derived from this one exists yet during construction: this class's own setting is meant.
    TZFZipArchiver::SetCompressionMethod();
}

TZFZipArchiver::~TZFZipArchiver() = default;

void TZFZipArchiver::SetCompressionMethod() { compressionMethod_ = CompressionMode() != 0 ? 8 : 0; }

}  // namespace yeroup::zip
