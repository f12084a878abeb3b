#pragma once
// The ZIP archiver: opens an archive, selects entries by mask and attributes and extracts them
// under a base folder with inflate, CRC-32 and size checks, overwrite rules and failure prompts.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/streams/Stream.h"
#include "zip/ArchiverPrompts.h"
#include "zip/CaseBlindNames.h"
#include "zip/DirManager.h"
#include "zip/ZipException.h"

namespace yeroup::platform {
class TLockedFile;
}

namespace yeroup::zip {

class TZFTraditionalCipher;

enum TZFCompressionLevel { clNone, clFastest, clNormal, clMax };
enum TZip64Mode { zmDisabled, zmAuto, zmAlways };
enum TZFStorePathMode { spNoPath, spRelativePath, spFullPath, spFullPathWithDrive };
enum TZFFileShareMode { smShareCompat, smShareExclusive, smShareDenyWrite, smShareDenyRead, smShareDenyNone };
enum TZFOverwriteMode { omPrompt, omAlways, omNever, omIfNewer, omIfOlder };
enum TZFProgressPhase { ppStart, ppProcess, ppEnd };
enum TZFVolumeSize { vsAutoDetect, vsCustom, vs1_44MB, vs100MB, vs200MB, vs250MB, vs600MB, vs650MB, vs700MB };

struct TZFOptions {
    bool Recurse = true;
    TZFStorePathMode StorePath = spRelativePath;
    TZFFileShareMode ShareMode = smShareDenyNone;
    TZFOverwriteMode OverwriteMode = omAlways;
    bool CreateDirs = true;
    bool ReplaceReadOnly = true;
    bool SetAttributes = true;
    std::uint16_t SearchAttr = 0x28BF;
    bool FlushBuffers = true;
    bool OEMFileNames = true;
};

struct TZFSpanningOptions {
    bool AdvancedNaming = true;
    TZFVolumeSize VolumeSize = vsAutoDetect;
    std::int64_t CustomVolumeSize = 65536;
};

// Search state behind FindFirst / FindNext.
struct TInternalSearchRec {
    std::int32_t index = 0;
    std::string mask;
    bool wildcards = false;
    std::uint32_t searchAttr = 0;
    std::string exclusionMask;
    bool useMaskLists = false;
};

struct TZFArchiveItem {
    std::string FileName;  // without path
    std::string StoredPath;
    std::uint64_t CompressedSize = 0;
    std::uint64_t UncompressedSize = 0;
    double CompressionRate = 0;
    bool Encrypted = false;
    std::uint16_t LastModFileDate = 0;
    std::uint16_t LastModFileTime = 0;
    std::uint32_t CRC = 0;
    std::uint32_t ExternalFileAttributes = 0;
    std::string Comment;
    TInternalSearchRec Handle;
};

// What the last ExtractFiles run did, for callers that must know whether every entry arrived.
struct TZFRunSummary {
    int Selected = 0;
    int Processed = 0;
    int Failed = 0;        // entries given up after a failure (Ignore or Abort answered)
    int Skipped = 0;       // encrypted entries left out for want of the password
    bool Stopped = false;  // Abort answered, or a cancel from a progress event
    // The first failure: its native error, the entry's name and, when the file system refused,
    // the system's error number (else 0).
    std::int32_t NativeError = 0;
    std::string FailedName;
    int SystemError = 0;
};

inline constexpr int kOpenModeCreate = -1;
inline constexpr int kOpenReadDenyWrite = 32;
inline constexpr int kOpenReadWriteDenyWrite = 34;
inline constexpr int kOpenReadDenyNone = 64;
inline constexpr std::uint32_t kSearchAllAttributes = 0x28BF;

class TZFBaseArchiver {
public:
    TZFBaseArchiver();
    virtual ~TZFBaseArchiver();
    TZFBaseArchiver(const TZFBaseArchiver&) = delete;
    TZFBaseArchiver& operator=(const TZFBaseArchiver&) = delete;

    // Component name, put in front of the archiver's own error messages.
    std::string Name;

    bool ExtractCorruptedFiles = false;
    std::string Password;
    std::string FileName;
    std::string BaseDir;
    bool InMemory = false;
    // When set, ExtractFiles writes every file and folder under this folder instead of BaseDir,
    // while the overwrite rules still look at BaseDir: the caller moves the staged files into place.
    // Staged files are not flushed one by one; the caller flushes them together.
    std::string StagingDir;
    TZFOptions Options;
    TZFSpanningOptions SpanningOptions;
    TZip64Mode Zip64Mode = zmAuto;

    TZFCompressionLevel CompressionLevel() const { return compressionLevel_; }
    void SetCompressionLevel(TZFCompressionLevel level);
    int CompressionMode() const { return compressionMode_; }
    void SetCompressionMode(int mode);
    TZFSpanningMode SpanningMode() const { return spanningMode_; }
    void SetSpanningMode(TZFSpanningMode mode);
    std::string CurrentVersion() const { return "2.57 "; }

    // The dialogs of the event defaults; borrowed.
    void SetPrompts(IZFPrompts* prompts) { prompts_ = prompts; }

    void OpenArchive(int mode);
    // Read-write when the file allows it, read-only otherwise; creates a missing archive.
    void OpenArchive();
    void CloseArchive() noexcept;
    bool Active() const { return active_; }
    // Refuses the whole run with zfeOutputTooLarge, before writing anything, when the selected entries declare
    // more than kMaxExtractedBytes together.
    void ExtractFiles(const std::string& fileMask, std::uint32_t searchAttr, const std::string& exclusionMask);
    bool FindFirst(const std::string& fileMask, TZFArchiveItem& item, std::uint32_t searchAttr,
                   const std::string& exclusionMask);
    bool FindNext(TZFArchiveItem& item);

    const TZFRunSummary& LastRun() const { return lastRun_; }

    // The open archive's directory; null while closed.
    TZFDirManager* DirManager() { return dirManager_.get(); }

    std::function<void(TZFBaseArchiver* Sender, double Progress, TZFProcessOperation Operation,
                       TZFProgressPhase ProgressPhase, bool& Cancel)>
        OnOverallProgress;
    std::function<void(TZFBaseArchiver* Sender, const std::string& FileName, double Progress,
                       TZFProcessOperation Operation, TZFProgressPhase ProgressPhase, bool& Cancel)>
        OnFileProgress;
    std::function<void(TZFBaseArchiver* Sender, const std::string& FileName, TZFProcessOperation Operation,
                       bool& Confirm)>
        OnConfirmProcessFile;
    std::function<void(TZFBaseArchiver* Sender, std::string& FileName, std::uint32_t& FileAttr,
                       const std::string& Comment)>
        OnExtractFile;
    std::function<void(TZFBaseArchiver* Sender, const std::string& SourceFileName, std::string& DestFileName,
                       bool& Confirm)>
        OnConfirmOverwrite;
    std::function<void(TZFBaseArchiver* Sender, const std::string& FileName, std::string& NewPassword, bool& SkipFile)>
        OnPassword;
    std::function<void(TZFBaseArchiver* Sender, const std::string& FileName, TZFProcessOperation Operation,
                       std::int32_t NativeError, std::int32_t ErrorCode, const std::string& ErrorMessage,
                       TZFAction& Action)>
        OnProcessFileFailure;
    std::function<void(TZFBaseArchiver* Sender)> AfterOpen;

protected:
    virtual void SetCompressionMethod() {}
    // Event operations: the handler when one is assigned, else the default.
    virtual void DoOverallProgress(double progress, TZFProcessOperation operation, TZFProgressPhase phase,
                                   bool& cancel);
    virtual void DoFileProgress(const std::string& fileName, double progress, TZFProcessOperation operation,
                                TZFProgressPhase phase, bool& cancel);
    virtual void DoConfirmOverwrite(const std::string& source, std::string& dest, bool& confirm);
    virtual void DoConfirmProcessFile(const std::string& fileName, TZFProcessOperation operation, bool& confirm);
    virtual void DoPassword(const std::string& fileName, std::string& newPassword, bool& skipFile);
    virtual void DoProcessFileFailure(const std::string& fileName, TZFProcessOperation operation,
                                      const EZFException& error, TZFAction& action);

    std::uint16_t compressionMethod_ = 8;

private:
    [[noreturn]] void Raise(std::int32_t nativeError, const std::string& argument = std::string()) const;
    // As Raise, for a refusal of the file system whose reason errno holds.
    [[noreturn]] void RaiseSystem(std::int32_t nativeError, const std::string& argument);
    void ApplyAttributes(const TDirItem& entry, platform::TLockedFile& file, std::uint32_t attributes) const;
    // Where one entry goes: its names as events, the file system and messages see them, and its folders.
    struct TEntryTarget {
        std::string name;          // ANSI code page, as the handler left it
        std::uint32_t attributes;  // as the handler left them
        std::string folder;        // the destination folder of the run
        std::string shownName;     // folder + name, for messages
        std::string destination;   // the file the overwrite rules look at
        std::string target;        // the file written: the destination, or its place in the staging folder
        bool redirected = false;   // the overwrite prompt chose another destination
    };

    // Raises zfeOutputTooLarge when the selected entries declare more than one run may write.
    void RefuseOversizedRun(const TZFDirArray& items) const;
    bool ScanForMatch(TZFArchiveItem& item);
    // The steps of ExtractFiles.
    void SelectEntries(const std::string& fileMask, std::uint32_t searchAttr, const std::string& exclusionMask);
    void BeginRun(const TZFDirArray& items);
    bool ExtractSelected(TDirItem& entry);
    bool ExtractAndReport(TDirItem& entry, const std::string& name, const std::string& destFolder);
    void NoteFailure(const EZFException& error, const std::string& name);
    void EndRun(bool stopped);
    // The steps of extracting one entry.
    void ExtractEntry(TDirItem& entry, const std::string& eventName, const std::string& destFolder);
    TEntryTarget NameEntry(const TDirItem& entry, const std::string& eventName, const std::string& destFolder);
    bool AcceptDestination(const TDirItem& entry, TEntryTarget& target);
    bool OverwriteConfirmed(const TDirItem& entry, TEntryTarget& target);
    void WriteEntry(const TDirItem& entry, const std::string& eventName, const TEntryTarget& target);
    bool DecodeEntry(const TDirItem& entry, const std::string& eventName, platform::TLockedFile& out);
    // The cipher for an encrypted entry once the password is right; null when the entry is skipped.
    std::unique_ptr<TZFTraditionalCipher> UnlockEntry(const TDirItem& entry, std::int64_t dataStart);
    // Reports the progress of an entry's data before its next chunk; true once the user cancelled.
    bool ChunkProgressCancelled(const std::string& eventName, std::uint64_t consumed, std::uint64_t total);
    bool CopyChunks(const TDirItem& entry, const std::string& eventName, platform::TLockedFile& out,
                    TZFTraditionalCipher* cipher, std::int64_t dataStart, std::uint64_t total);

    TZFCompressionLevel compressionLevel_ = clFastest;
    int compressionMode_ = 1;
    TZFSpanningMode spanningMode_ = smNone;
    IZFPrompts* prompts_ = nullptr;

    bool active_ = false;
    int openMode_ = 0;
    std::unique_ptr<platform::TStream> archiveStream_;  // always the archiver's own
    std::unique_ptr<TZFDirManager> dirManager_;
    TZFVolumeNumberInfo currentVolume_;
    int updateLevel_ = 0;

    // The running operation.
    int processed_ = 0;
    int selected_ = 0;
    bool cancel_ = false;
    bool skipEntry_ = false;
    bool progressEnabled_ = false;
    bool declineAllOverwrites_ = false;  // "No to All" answered in this run
    int systemError_ = 0;                // errno of the last file-system refusal
    int writeError_ = 0;                 // errno of a failed write of the current entry
    // Kept from entry to entry: buffers that stay mapped and warm cost far less than fresh ones.
    std::vector<unsigned char> inputChunk_;
    std::vector<unsigned char> outputChunk_;
    std::string lastFolder_;    // the folder the previous entry was written to, known to exist
    TCaseBlindNames spelling_;  // the names the run's destination and its entries spell
    TZFRunSummary lastRun_;
};

class TZFZipArchiver : public TZFBaseArchiver {
public:
    TZFZipArchiver();
    ~TZFZipArchiver() override;

protected:
    void SetCompressionMethod() override;
};

}  // namespace yeroup::zip
