#pragma once
// The archive's on-disk records as read: end records, Zip64 records and the local header.
#include <cstdint>

namespace yeroup::zip {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr std::uint32_t kEndRecordSignature = 0x06054B50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr std::uint32_t kZip64EndRecordSignature = 0x06064B50;
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;

inline constexpr int kEndRecordSize = 22;
inline constexpr int kZip64LocatorSize = 20;
inline constexpr int kZip64EndRecordSize = 56;
inline constexpr int kCentralHeaderSize = 46;
inline constexpr int kLocalHeaderSize = 30;
inline constexpr int kDataDescriptorSize = 16;

struct TZFEndRecord {
    std::uint32_t signature = kEndRecordSignature;
    std::uint16_t diskNumber = 0;
    std::uint16_t startDiskNumber = 0;
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t totalEntries = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t directoryOffset = 0;
    std::uint16_t commentLength = 0;

    static TZFEndRecord Parse(const unsigned char* p);
};

struct TZFZip64Locator {
    std::uint32_t signature = 0;
    std::uint32_t endRecordDisk = 0;
    std::uint64_t endRecordOffset = 0;
    std::uint32_t totalDisks = 0;

    static TZFZip64Locator Parse(const unsigned char* p);
};

struct TZFZip64EndRecord {
    std::uint32_t signature = 0;
    std::uint64_t recordSize = 0;
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint32_t diskNumber = 0;
    std::uint32_t startDiskNumber = 0;
    std::uint64_t entriesOnDisk = 0;
    std::uint64_t totalEntries = 0;
    std::uint64_t directorySize = 0;
    std::uint64_t directoryOffset = 0;

    static TZFZip64EndRecord Parse(const unsigned char* p);
};

struct TZFLocalHeader {
    std::uint32_t signature = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t lastModTime = 0;
    std::uint16_t lastModDate = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint16_t nameLength = 0;
    std::uint16_t extraLength = 0;

    static TZFLocalHeader Parse(const unsigned char* p);
};

}  // namespace yeroup::zip
