#pragma once
// One central directory entry as held in memory.
#include <cstdint>
#include <string>
#include <vector>

namespace yeroup::zip {

enum TZFProcessOperation : std::uint8_t {
    poAdd,
    poMove,
    poDelete,
    poUpdate,
    poExtract,
    poTest,
    poRename,
    poChangeAttr,
    poChangeComment,
};

struct TZFExtraField {
    std::uint16_t headerId = 0;
    std::uint16_t dataSize = 0;
    std::vector<unsigned char> data;
};

inline constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;
inline constexpr std::uint16_t kZip64Marker16 = 0xFFFF;
inline constexpr std::uint16_t kZip64ExtraId = 1;
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagUtf8Name = 0x0800;
inline constexpr std::uint32_t kAttrDirectory = 0x10;

struct TDirItem {
    // Central header fields as stored.
    std::uint32_t signature = 0;
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t compressionMethod = 0;
    std::uint16_t lastModTime = 0;
    std::uint16_t lastModDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;
    std::uint16_t commentLength = 0;
    std::uint16_t diskNumberStart = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::uint32_t relativeOffset = 0;

    std::string name;      // "/" between folders, in the ANSI code page
    std::string diskName;  // the same name as the file system spells it (UTF-8)
    std::string comment;
    std::vector<TZFExtraField> extraFields;

    bool useZip64 = false;
    std::uint64_t zip64UncompressedSize = 0;
    std::uint64_t zip64CompressedSize = 0;
    std::uint64_t zip64RelativeOffset = 0;
    std::uint32_t zip64DiskNumber = 0;

    bool selected = false;
    TZFProcessOperation operation = poAdd;

    // Values as readers use them: the Zip64 value where the stored field holds its marker.
    std::uint64_t CompressedSize() const {
        return useZip64 && compressedSize == kZip64Marker32 ? zip64CompressedSize : compressedSize;
    }
    std::uint64_t UncompressedSize() const {
        return useZip64 && uncompressedSize == kZip64Marker32 ? zip64UncompressedSize : uncompressedSize;
    }
    std::uint64_t LocalHeaderOffset() const {
        return useZip64 && relativeOffset == kZip64Marker32 ? zip64RelativeOffset : relativeOffset;
    }
    void SetLocalHeaderOffset(std::uint64_t offset);
    std::uint32_t DosDateTime() const { return static_cast<std::uint32_t>(lastModDate) << 16 | lastModTime; }
    // The DOS folder bit, or a folder mode in the high half when the entry was made on Unix (as
    // writers that fill in only the Unix mode do).
    bool IsDirectory() const {
        constexpr std::uint32_t kUnixTypeMask = 0170000, kUnixDirectory = 0040000;
        return (externalAttributes & kAttrDirectory) != 0 ||
               (MadeOnUnix() && ((externalAttributes >> 16) & kUnixTypeMask) == kUnixDirectory);
    }
    bool IsEncrypted() const { return (flags & kFlagEncrypted) != 0; }
    bool MadeOnUnix() const { return (versionMadeBy >> 8) == 3; }
};

}  // namespace yeroup::zip
