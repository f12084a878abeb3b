#pragma once
// Reads an open archive's directory: end record search, Zip64 records, central directory, the
// data start offset of archives with a prefix, and the rebuild from local headers.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/streams/Stream.h"
#include "zip/DirArray.h"
#include "zip/Records.h"

namespace yeroup::zip {

enum TZFSpanningMode { smNone, smSpanning, smSplitting };

struct TZFVolumeNumberInfo {
    enum Kind { vnkNone, vnkFirst, vnkLast, vnkCustom };
    Kind kind = vnkNone;
    std::int32_t volumeNumber = -1;
    std::int32_t lastVolumeNumber = -1;
};

class TZFDirManager {
public:
    // oemFileNames: convert stored names from the OEM to the ANSI code page.
    TZFDirManager(platform::TStream& stream, bool oemFileNames);

    // Searches the end record; on success holds it and the archive comment.
    bool FindEndRecord();
    // Reads the directory, or rebuilds it from the local headers when no end record was found
    // (only an archive that is not a volume set can be rebuilt).
    void ReadDirectory(TZFSpanningMode spanningMode);
    // Where the entry's data begins, after its local header.
    std::int64_t ReadLocalHeader(const TDirItem& item);
    // Reads archive bytes at the offset; returns how many there were (fewer at the end of the file).
    std::int64_t ReadData(std::int64_t offset, void* buffer, std::int64_t count);

    TZFDirArray& Items() { return items_; }
    const TZFDirArray& Items() const { return items_; }
    int Count() const { return items_.Count(); }
    const std::string& Comment() const { return comment_; }
    const TZFEndRecord& EndRecord() const { return endRecord_; }
    bool IsZip64() const { return zip64_; }
    std::uint64_t DataStartOffset() const { return dataStartOffset_; }
    const TZFVolumeNumberInfo& Volumes() const { return volumes_; }

private:
    void DetectZip64();
    void ReadCentralDirectory();
    void ReadDirectoryBytes(void* buffer, std::int64_t count);
    void ReadCentralHeader(TDirItem& item);
    void ReadExtraField(TDirItem& item);
    void ComputeDataStartOffset();
    void Rebuild();
    // Reads the entry whose local header is at the offset; returns the offset just after its data.
    std::int64_t RebuildEntry(std::int64_t at);
    // The data descriptor that ends the data starting at the offset: its offset and length, or -1.
    std::int64_t FindDescriptor(std::int64_t dataStart, bool zip64, int& length);
    // Every entry that is written must have its local header and all its data in the archive,
    // agree with its local header, and not share bytes with another entry.
    void ValidateEntries();
    // Checks entry index's local header against its central one (name, and sizes where it knows them); the offset
    // of its data.
    std::int64_t ValidateLocalHeader(int index);
    std::string ReadRawName(std::uint16_t length);
    // Offset of the next occurrence of the signature at or after from, or -1.
    std::int64_t FindSignature(std::int64_t from, std::uint32_t signature);
    bool ReadAt(std::int64_t offset, unsigned char* buffer, std::int64_t count);
    // As ReadAt, through a window kept over the file for the scans that walk it forwards.
    bool Peek(std::int64_t offset, void* buffer, std::int64_t count);
    bool Fill(std::int64_t offset, std::int64_t count);

    platform::TStream& stream_;
    bool oemFileNames_;
    TZFDirArray items_;
    std::string comment_;
    TZFEndRecord endRecord_;
    TZFZip64Locator locator_;
    TZFZip64EndRecord zip64EndRecord_;
    bool zip64_ = false;
    bool endFound_ = false;
    std::int64_t endOffset_ = 0;  // P: where the end records begin
    std::uint64_t dataStartOffset_ = 0;
    TZFVolumeNumberInfo volumes_;

    std::int64_t fileSize_ = 0;
    std::int64_t directoryStart_ = 0;
    std::int64_t directoryCursor_ = 0;   // next byte of the central directory to read
    std::vector<std::string> rawNames_;  // stored name bytes, while the directory is being checked
    std::vector<unsigned char> window_;
    std::int64_t windowBase_ = 0;
    std::int64_t windowLength_ = 0;
};

}  // namespace yeroup::zip
