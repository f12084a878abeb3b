#include "zip/DirManager.h"

#include <algorithm>
#include <cstring>

#include "platform/text/CodePages.h"
#include "zip/LittleEndian.h"
#include "zip/PathNames.h"
#include "zip/ZipException.h"

namespace yeroup::zip {

namespace {

constexpr std::int64_t kEndSearchWindow = 65600;
constexpr std::int64_t kDataStartWindow = 10000;
constexpr std::int64_t kRebuildWindow = 65535;
constexpr std::uint16_t kMaxRebuildNameLength = 260;
constexpr std::uint16_t kMaxRebuildNameKept = 256;

std::string UpToZero(const char* data, std::size_t size) {
    const void* zero = std::memchr(data, 0, size);
    return std::string(data, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size);
}

}  // namespace

TZFDirManager::TZFDirManager(platform::TStream& stream, bool oemFileNames)
    : stream_(stream), oemFileNames_(oemFileNames) {}

bool TZFDirManager::ReadAt(std::int64_t offset, unsigned char* buffer, std::int64_t count) {
    if (offset < 0) return false;
    stream_.SetPosition(offset);
    return stream_.Read(buffer, count) == count;
}

bool TZFDirManager::FindEndRecord() {
    const std::int64_t size = stream_.Size();
    const std::int64_t window = std::min(size, kEndSearchWindow);
    if (window < kEndRecordSize) return false;
    const std::int64_t base = size - window;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(window));
    stream_.SetPosition(base);
    stream_.ReadBuffer(buffer.data(), window);
    for (std::size_t i = buffer.size() - 1; i >= 3; --i) {
        if (buffer[i] != 0x06 || buffer[i - 1] != 0x05 || buffer[i - 2] != 0x4B || buffer[i - 3] != 0x50) continue;
        const auto at = static_cast<std::int64_t>(i) - 3;
        const std::int64_t offset = base + at;
        if (size - offset < kEndRecordSize) continue;
        // The record lies inside the buffer: the window ends at the end of the file.
        const TZFEndRecord candidate = TZFEndRecord::Parse(buffer.data() + at);
        if (candidate.commentLength != size - offset - kEndRecordSize) continue;
        endRecord_ = candidate;
        endOffset_ = offset;
        endFound_ = true;
        if (candidate.commentLength != 0)
            comment_ =
                UpToZero(reinterpret_cast<const char*>(buffer.data() + at + kEndRecordSize), candidate.commentLength);
        DetectZip64();
        return true;
    }
    return false;
}

void TZFDirManager::DetectZip64() {
    unsigned char record[kZip64EndRecordSize];
    if (endOffset_ > kZip64LocatorSize && ReadAt(endOffset_ - kZip64LocatorSize, record, kZip64LocatorSize) &&
        Le32(record) == kZip64LocatorSignature) {
        locator_ = TZFZip64Locator::Parse(record);
        zip64_ = true;
        endOffset_ -= kZip64LocatorSize;
    }
    if (zip64_) {
        const std::uint64_t at = locator_.endRecordOffset;
        const bool found = endOffset_ > kZip64EndRecordSize && at <= static_cast<std::uint64_t>(INT64_MAX) &&
                           ReadAt(static_cast<std::int64_t>(at), record, kZip64EndRecordSize) &&
                           Le32(record) == kZip64EndRecordSignature;
        if (!found) throw EZFException(zfeNoZip64EndRecord);
        zip64EndRecord_ = TZFZip64EndRecord::Parse(record);
        endOffset_ -= kZip64EndRecordSize;
        volumes_.volumeNumber = static_cast<std::int32_t>(zip64EndRecord_.startDiskNumber);
        volumes_.lastVolumeNumber = static_cast<std::int32_t>(locator_.totalDisks) - 1;
    } else {
        volumes_.volumeNumber = endRecord_.startDiskNumber == 0xFFFF ? 0 : endRecord_.startDiskNumber;
        volumes_.lastVolumeNumber = endRecord_.diskNumber == 0xFFFF ? 0 : endRecord_.diskNumber;
    }
}

void TZFDirManager::ReadDirectory(TZFSpanningMode spanningMode) {
    if (!endFound_) {
        if (spanningMode != smNone) throw EZFException(zfeCannotOpenArchive);
        Rebuild();
        return;
    }
    ReadCentralDirectory();
    if (volumes_.lastVolumeNumber == 0) ComputeDataStartOffset();
}

void TZFDirManager::ReadCentralDirectory() {
    const std::uint64_t directorySize = zip64_ ? zip64EndRecord_.directorySize : endRecord_.directorySize;
    const std::uint64_t count = zip64_ ? zip64EndRecord_.totalEntries : endRecord_.totalEntries;
    if (directorySize > static_cast<std::uint64_t>(endOffset_)) throw EZFException(zfeInvalidArchive);
    items_.SetCount(0);
    stream_.SetPosition(endOffset_ - static_cast<std::int64_t>(directorySize));
    // Entries are appended as they are read: a forged count ends at the end of the file with a
    // read error instead of reserving memory for it up front.
    for (std::uint64_t i = 0; i < count; ++i) {
        TDirItem item;
        ReadCentralHeader(item);
        items_.Append(std::move(item));
    }
}

void TZFDirManager::ReadCentralHeader(TDirItem& item) {
    unsigned char h[kCentralHeaderSize];
    stream_.ReadBuffer(h, kCentralHeaderSize);
    item.signature = Le32(h);
    item.versionMadeBy = Le16(h + 4);
    item.versionNeeded = Le16(h + 6);
    item.flags = Le16(h + 8);
    item.compressionMethod = Le16(h + 10);
    item.lastModTime = Le16(h + 12);
    item.lastModDate = Le16(h + 14);
    item.crc32 = Le32(h + 16);
    item.compressedSize = Le32(h + 20);
    item.uncompressedSize = Le32(h + 24);
    item.nameLength = Le16(h + 28);
    item.extraLength = Le16(h + 30);
    item.commentLength = Le16(h + 32);
    item.diskNumberStart = Le16(h + 34);
    item.internalAttributes = Le16(h + 36);
    item.externalAttributes = Le32(h + 38);
    item.relativeOffset = Le32(h + 42);
    item.name = ReadName(item.nameLength, item.nameLength);
    ReadExtraField(item);
    if (item.commentLength != 0) {
        std::string comment(item.commentLength, '\0');
        stream_.ReadBuffer(comment.data(), item.commentLength);
        item.comment = UpToZero(comment.data(), comment.size());
    }
}

std::string TZFDirManager::ReadName(std::uint16_t length, std::uint16_t keep) {
    if (length == 0) return std::string();
    std::string raw(length, '\0');
    stream_.ReadBuffer(raw.data(), length);
    raw.resize(std::min(length, keep));
    std::string name = UpToZero(raw.data(), raw.size());
    if (oemFileNames_) name = platform::OemToAnsi(name);
    return BackslashesToSlashes(std::move(name));
}

void TZFDirManager::ReadExtraField(TDirItem& item) {
    std::uint32_t consumed = 0;
    while (consumed < item.extraLength) {
        const std::uint32_t left = item.extraLength - consumed;
        TZFExtraField field;
        if (left < 4) {
            // Too short for a sub-field header: keep the bytes so the reader stays in step.
            field.data.resize(left);
            stream_.ReadBuffer(field.data.data(), left);
            field.dataSize = static_cast<std::uint16_t>(left);
            item.extraFields.push_back(std::move(field));
            break;
        }
        unsigned char header[4];
        stream_.ReadBuffer(header, 4);
        consumed += 4;
        field.headerId = Le16(header);
        field.dataSize = static_cast<std::uint16_t>(std::min<std::uint32_t>(Le16(header + 2), left - 4));
        field.data.resize(field.dataSize);
        if (field.dataSize) stream_.ReadBuffer(field.data.data(), field.dataSize);
        consumed += field.dataSize;
        if (field.headerId == kZip64ExtraId) {
            std::size_t pos = 0;
            auto take64 = [&](std::uint64_t& value) {
                if (pos + 8 <= field.dataSize) value = Le64(field.data.data() + pos);
                pos += 8;
            };
            if (item.uncompressedSize == kZip64Marker32) take64(item.zip64UncompressedSize);
            if (item.compressedSize == kZip64Marker32) take64(item.zip64CompressedSize);
            if (item.relativeOffset == kZip64Marker32) take64(item.zip64RelativeOffset);
            if (item.diskNumberStart == kZip64Marker16 && pos + 4 <= field.dataSize)
                item.zip64DiskNumber = Le32(field.data.data() + pos) & 0xFFFF;
            item.useZip64 = true;
        }
        item.extraFields.push_back(std::move(field));
    }
}

std::int64_t TZFDirManager::FindSignature(std::int64_t from, std::uint32_t signature, std::int64_t window) {
    const std::int64_t size = stream_.Size();
    std::vector<unsigned char> buffer(static_cast<std::size_t>(window));
    while (from >= 0 && from + 4 <= size) {
        const std::int64_t n = std::min(window, size - from);
        stream_.SetPosition(from);
        stream_.ReadBuffer(buffer.data(), n);
        for (std::int64_t i = 0; i + 4 <= n; ++i)
            if (buffer[static_cast<std::size_t>(i)] == 0x50 && Le32(buffer.data() + i) == signature) return from + i;
        if (from + n >= size) break;
        from += n - 3;  // windows overlap so a signature across the border is found
    }
    return -1;
}

void TZFDirManager::ComputeDataStartOffset() {
    if (items_.Count() == 0) {
        dataStartOffset_ = static_cast<std::uint64_t>(endOffset_);
        return;
    }
    const TDirItem& first = items_.ItemRef(0);
    const std::int64_t size = stream_.Size();
    std::uint64_t start = first.LocalHeaderOffset();
    while (start < static_cast<std::uint64_t>(size)) {
        const std::int64_t hit =
            FindSignature(static_cast<std::int64_t>(start), kLocalHeaderSignature, kDataStartWindow);
        if (hit < 0) break;
        unsigned char h[kLocalHeaderSize];
        bool accepted = false;
        if (ReadAt(hit, h, kLocalHeaderSize)) {
            const TZFLocalHeader local = TZFLocalHeader::Parse(h);
            accepted = local.versionNeeded == first.versionNeeded && local.method == first.compressionMethod &&
                       local.lastModTime == first.lastModTime && local.lastModDate == first.lastModDate &&
                       local.crc32 == first.crc32 && local.compressedSize == first.compressedSize &&
                       local.uncompressedSize == first.uncompressedSize &&
                       hit + kLocalHeaderSize + local.nameLength <= size;
        }
        if (accepted) {
            dataStartOffset_ = static_cast<std::uint64_t>(hit);
            break;
        }
        start = static_cast<std::uint64_t>(hit) + 1;
    }
    for (int i = 0; i < items_.Count(); ++i) {
        const TDirItem& probe = items_.ItemRef(i);
        if (probe.CompressedSize() == 0) continue;
        if (probe.LocalHeaderOffset() < dataStartOffset_) {
            for (int j = 0; j < items_.Count(); ++j) {
                TDirItem& item = items_.ItemRef(j);
                if (!item.IsDirectory()) item.SetLocalHeaderOffset(item.LocalHeaderOffset() + dataStartOffset_);
            }
        }
        break;
    }
}

void TZFDirManager::Rebuild() {
    const std::int64_t size = stream_.Size();
    std::int64_t hit = FindSignature(0, kLocalHeaderSignature, kRebuildWindow);
    if (hit < 0 || size - hit < kLocalHeaderSize) throw EZFException(zfeInvalidArchive);
    items_.SetCount(0);
    while (hit >= 0 && size - hit >= kLocalHeaderSize) {
        unsigned char h[kLocalHeaderSize];
        ReadAt(hit, h, kLocalHeaderSize);
        const TZFLocalHeader local = TZFLocalHeader::Parse(h);
        if (local.compressedSize < size && local.nameLength <= kMaxRebuildNameLength) {
            TDirItem item;
            item.signature = local.signature;
            item.versionMadeBy = local.versionNeeded;
            item.versionNeeded = local.versionNeeded;
            item.flags = local.flags;
            item.compressionMethod = local.method;
            item.lastModTime = local.lastModTime;
            item.lastModDate = local.lastModDate;
            item.crc32 = local.crc32;
            item.compressedSize = local.compressedSize;
            item.uncompressedSize = local.uncompressedSize;
            item.nameLength = local.nameLength;
            item.extraLength = local.extraLength;
            item.relativeOffset = static_cast<std::uint32_t>(hit);
            if (hit >= kZip64Marker32) item.SetLocalHeaderOffset(static_cast<std::uint64_t>(hit));
            if (hit + kLocalHeaderSize + local.nameLength <= size)
                item.name = ReadName(local.nameLength, kMaxRebuildNameKept);
            // Only an empty entry named like a folder is taken for one: an empty file stays a file.
            const bool folder = local.uncompressedSize == 0 && !(local.flags & kFlagDataDescriptor) &&
                                !item.name.empty() && item.name.back() == '/';
            item.externalAttributes = folder ? kAttrDirectory : 0x20;
            if (local.flags & kFlagDataDescriptor) {
                const std::int64_t descriptor = FindSignature(hit, kDataDescriptorSignature, kRebuildWindow);
                unsigned char d[kDataDescriptorSize];
                if (descriptor >= 0 && ReadAt(descriptor, d, kDataDescriptorSize)) {
                    item.crc32 = Le32(d + 4);
                    item.compressedSize = Le32(d + 8);
                    item.uncompressedSize = Le32(d + 12);
                }
            }
            items_.Append(std::move(item));
        }
        hit = FindSignature(hit + 4, kLocalHeaderSignature, kRebuildWindow);
    }
}

std::int64_t TZFDirManager::ReadLocalHeader(const TDirItem& item) {
    const std::uint64_t offset = item.LocalHeaderOffset();
    if (offset > static_cast<std::uint64_t>(INT64_MAX - kLocalHeaderSize)) throw platform::EStreamError("Read error");
    unsigned char h[kLocalHeaderSize];
    stream_.SetPosition(static_cast<std::int64_t>(offset));
    stream_.ReadBuffer(h, kLocalHeaderSize);
    const TZFLocalHeader local = TZFLocalHeader::Parse(h);
    const std::int64_t data =
        static_cast<std::int64_t>(offset) + kLocalHeaderSize + local.nameLength + local.extraLength;
    stream_.SetPosition(data);
    return data;
}

}  // namespace yeroup::zip
