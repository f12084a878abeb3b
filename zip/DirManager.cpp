#include "zip/DirManager.h"

#include <algorithm>
#include <cstring>

#include "zip/EntryName.h"
#include "zip/Limits.h"
#include "zip/LittleEndian.h"
#include "zip/ZipException.h"

namespace yeroup::zip {

namespace {

// The end record with the longest comment it can carry (22 + 65535 bytes) lies within this many bytes of the end.
constexpr std::int64_t kEndSearchWindow = 65600;
// Read size of the forward scans (data start, rebuild, directory checks).
constexpr std::int64_t kScanWindow = 1 << 20;

std::string UpToZero(const char* data, std::size_t size) {
    const void* zero = std::memchr(data, 0, size);
    return std::string(data, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size);
}

[[noreturn]] void RaiseNamed(std::int32_t nativeError, const TDirItem& item) {
    throw EZFException(nativeError, item.name);
}

// The Zip64 sizes of a local header's extra field, each present only when its 32-bit field holds
// the marker; false when a marked value is missing.
bool LocalZip64Sizes(const std::vector<unsigned char>& extra, std::uint64_t& uncompressed, std::uint64_t& compressed,
                     bool uncompressedMarked, bool compressedMarked) {
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
        const std::uint16_t id = Le16(extra.data() + at);
        const std::size_t size = std::min<std::size_t>(Le16(extra.data() + at + 2), extra.size() - at - 4);
        const unsigned char* data = extra.data() + at + 4;
        if (id == kZip64ExtraId) {
            std::size_t pos = 0;
            auto take = [&](bool marked, std::uint64_t& value) {
                if (!marked) return true;
                if (pos + 8 > size) return false;
                value = Le64(data + pos);
                pos += 8;
                return true;
            };
            return take(uncompressedMarked, uncompressed) && take(compressedMarked, compressed);
        }
        at += 4 + size;
    }
    return false;
}

}  // namespace

TZFDirManager::TZFDirManager(platform::TStream& stream, bool oemFileNames)
    : stream_(stream), oemFileNames_(oemFileNames) {}

bool TZFDirManager::ReadAt(std::int64_t offset, unsigned char* buffer, std::int64_t count) {
    if (offset < 0) return false;
    stream_.SetPosition(offset);
    return stream_.Read(buffer, count) == count;
}

bool TZFDirManager::Fill(std::int64_t offset, std::int64_t count) {
    if (offset >= windowBase_ && offset + count <= windowBase_ + windowLength_) return true;
    if (offset < 0 || offset >= fileSize_) return false;
    const std::int64_t n = std::min(kScanWindow, fileSize_ - offset);
    if (window_.size() < static_cast<std::size_t>(n)) window_.resize(static_cast<std::size_t>(n));
    windowBase_ = offset;
    windowLength_ = 0;
    stream_.SetPosition(offset);
    windowLength_ = stream_.Read(window_.data(), n);
    return count <= windowLength_;
}

bool TZFDirManager::Peek(std::int64_t offset, void* buffer, std::int64_t count) {
    if (count > kScanWindow) return ReadAt(offset, static_cast<unsigned char*>(buffer), count);
    if (!Fill(offset, count)) return false;
    if (count > 0) std::memcpy(buffer, window_.data() + (offset - windowBase_), static_cast<std::size_t>(count));
    return true;
}

bool TZFDirManager::FindEndRecord() {
    const std::int64_t size = stream_.Size();
    fileSize_ = size;
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
    fileSize_ = stream_.Size();
    windowLength_ = 0;
    if (!endFound_) {
        if (spanningMode != smNone) throw EZFException(zfeCannotOpenArchive);
        Rebuild();
    } else {
        ReadCentralDirectory();
        if (volumes_.lastVolumeNumber == 0) ComputeDataStartOffset();
    }
    ValidateEntries();
    rawNames_ = std::vector<std::string>();
}

void TZFDirManager::ReadCentralDirectory() {
    const std::uint64_t directorySize = zip64_ ? zip64EndRecord_.directorySize : endRecord_.directorySize;
    const std::uint64_t count = zip64_ ? zip64EndRecord_.totalEntries : endRecord_.totalEntries;
    if (directorySize > static_cast<std::uint64_t>(endOffset_)) throw EZFException(zfeInvalidArchive);
    if (count > kMaxEntries) throw EZFException(zfeTooManyEntries, std::to_string(kMaxEntries));
    items_.SetCount(0);
    rawNames_.clear();
    directoryStart_ = endOffset_ - static_cast<std::int64_t>(directorySize);
    directoryCursor_ = directoryStart_;
    // Entries are appended as they are read: a forged count ends at the end of the file with a
    // read error instead of reserving memory for it up front.
    for (std::uint64_t i = 0; i < count; ++i) {
        TDirItem item;
        ReadCentralHeader(item);
        items_.Append(std::move(item));
    }
}

// The directory is read through the window: its records come in many small pieces.
void TZFDirManager::ReadDirectoryBytes(void* buffer, std::int64_t count) {
    if (count == 0) return;
    if (!Peek(directoryCursor_, buffer, count)) throw platform::EStreamError("Stream read error");
    directoryCursor_ += count;
}

void TZFDirManager::ReadCentralHeader(TDirItem& item) {
    unsigned char h[kCentralHeaderSize];
    ReadDirectoryBytes(h, kCentralHeaderSize);
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
    if (item.nameLength > kMaxNameLength) throw EZFException(zfeNameTooLong, std::to_string(kMaxNameLength));
    rawNames_.push_back(ReadRawName(item.nameLength));
    ReadExtraField(item);
    DecodeEntryName(rawNames_.back(), item.extraFields, oemFileNames_, item);
    if (item.commentLength != 0) {
        std::string comment(item.commentLength, '\0');
        ReadDirectoryBytes(comment.data(), item.commentLength);
        item.comment = UpToZero(comment.data(), comment.size());
    }
}

std::string TZFDirManager::ReadRawName(std::uint16_t length) {
    std::string raw(length, '\0');
    if (length != 0) ReadDirectoryBytes(raw.data(), length);
    return raw;
}

void TZFDirManager::ReadExtraField(TDirItem& item) {
    std::uint32_t consumed = 0;
    while (consumed < item.extraLength) {
        const std::uint32_t left = item.extraLength - consumed;
        TZFExtraField field;
        if (left < 4) {
            // Too short for a sub-field header: keep the bytes so the reader stays in step.
            field.data.resize(left);
            ReadDirectoryBytes(field.data.data(), left);
            field.dataSize = static_cast<std::uint16_t>(left);
            item.extraFields.push_back(std::move(field));
            break;
        }
        unsigned char header[4];
        ReadDirectoryBytes(header, 4);
        consumed += 4;
        field.headerId = Le16(header);
        field.dataSize = static_cast<std::uint16_t>(std::min<std::uint32_t>(Le16(header + 2), left - 4));
        field.data.resize(field.dataSize);
        if (field.dataSize) ReadDirectoryBytes(field.data.data(), field.dataSize);
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

std::int64_t TZFDirManager::FindSignature(std::int64_t from, std::uint32_t signature) {
    while (from >= 0 && from + 4 <= fileSize_ && Fill(from, 4)) {
        const unsigned char* base = window_.data() + (from - windowBase_);
        const std::int64_t available = windowBase_ + windowLength_ - from;
        for (std::int64_t i = 0; i + 4 <= available;) {
            const void* p = std::memchr(base + i, 0x50, static_cast<std::size_t>(available - 3 - i));
            if (!p) break;
            i = static_cast<const unsigned char*>(p) - base;
            if (Le32(base + i) == signature) return from + i;
            ++i;
        }
        if (windowBase_ + windowLength_ >= fileSize_) break;
        from = windowBase_ + windowLength_ - 3;  // a signature across the border is found
    }
    return -1;
}

void TZFDirManager::ComputeDataStartOffset() {
    if (items_.Count() == 0) {
        dataStartOffset_ = static_cast<std::uint64_t>(endOffset_);
        return;
    }
    const TDirItem& first = items_.ItemRef(0);
    const std::int64_t size = fileSize_;
    std::uint64_t start = first.LocalHeaderOffset();
    while (start < static_cast<std::uint64_t>(size)) {
        const std::int64_t hit = FindSignature(static_cast<std::int64_t>(start), kLocalHeaderSignature);
        if (hit < 0) break;
        unsigned char h[kLocalHeaderSize];
        bool accepted = false;
        if (Peek(hit, h, kLocalHeaderSize)) {
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

// Every entry found must be complete and the entries must run on, one after the other, into the
// central directory: a file that ends inside an entry or before the directory is a cut download,
// and is never taken for a shorter archive.
void TZFDirManager::Rebuild() {
    std::int64_t at = FindSignature(0, kLocalHeaderSignature);
    if (at < 0 || fileSize_ - at < kLocalHeaderSize) throw EZFException(zfeInvalidArchive);
    items_.SetCount(0);
    rawNames_.clear();
    for (;;) {
        if (static_cast<std::uint64_t>(items_.Count()) >= kMaxEntries)
            throw EZFException(zfeTooManyEntries, std::to_string(kMaxEntries));
        at = RebuildEntry(at);
        unsigned char next[4];
        if (!Peek(at, next, 4)) throw EZFException(zfeArchiveDamaged);
        if (Le32(next) == kCentralHeaderSignature) break;
        if (Le32(next) != kLocalHeaderSignature) throw EZFException(zfeArchiveDamaged);
    }
    directoryStart_ = at;
}

std::int64_t TZFDirManager::RebuildEntry(std::int64_t at) {
    unsigned char h[kLocalHeaderSize];
    if (!Peek(at, h, kLocalHeaderSize)) throw EZFException(zfeArchiveDamaged);
    const TZFLocalHeader local = TZFLocalHeader::Parse(h);
    if (local.nameLength > kMaxNameLength) throw EZFException(zfeNameTooLong, std::to_string(kMaxNameLength));
    std::string raw(local.nameLength, '\0');
    if (!Peek(at + kLocalHeaderSize, raw.data(), local.nameLength)) throw EZFException(zfeArchiveDamaged);

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
    item.relativeOffset = static_cast<std::uint32_t>(std::min<std::int64_t>(at, kZip64Marker32));
    if (at >= kZip64Marker32) item.SetLocalHeaderOffset(static_cast<std::uint64_t>(at));
    std::vector<unsigned char> extra(local.extraLength);
    const std::int64_t extraAt = at + kLocalHeaderSize + local.nameLength;
    const bool extraRead = Peek(extraAt, extra.data(), local.extraLength);
    DecodeEntryName(raw, extraRead ? SplitExtraField(extra) : std::vector<TZFExtraField>(), oemFileNames_, item);
    if (!extraRead) RaiseNamed(zfeEntryCutShort, item);
    const bool zip64 = local.compressedSize == kZip64Marker32 || local.uncompressedSize == kZip64Marker32;
    if (zip64 && LocalZip64Sizes(extra, item.zip64UncompressedSize, item.zip64CompressedSize,
                                 local.uncompressedSize == kZip64Marker32, local.compressedSize == kZip64Marker32))
        item.useZip64 = true;
    const std::int64_t dataStart = extraAt + local.extraLength;

    std::int64_t next = 0;
    if (local.flags & kFlagDataDescriptor) {
        int length = 0;
        const std::int64_t descriptor = FindDescriptor(dataStart, zip64, length);
        if (descriptor < 0) RaiseNamed(zfeEntryCutShort, item);
        unsigned char d[24];
        Peek(descriptor, d, length);
        item.crc32 = Le32(d + 4);
        if (length == 24) {
            item.useZip64 = true;
            item.compressedSize = item.uncompressedSize = kZip64Marker32;
            item.zip64CompressedSize = Le64(d + 8);
            item.zip64UncompressedSize = Le64(d + 16);
        } else {
            item.compressedSize = Le32(d + 8);
            item.uncompressedSize = Le32(d + 12);
        }
        next = descriptor + length;
    } else {
        if (zip64 && !item.useZip64) RaiseNamed(zfeLocalHeaderMismatch, item);
        const std::uint64_t size = item.CompressedSize();
        if (size > static_cast<std::uint64_t>(fileSize_ - dataStart)) RaiseNamed(zfeEntryCutShort, item);
        next = dataStart + static_cast<std::int64_t>(size);
    }
    // Only an empty entry named like a folder is taken for one: an empty file stays a file.
    const bool folder = item.UncompressedSize() == 0 && !(local.flags & kFlagDataDescriptor) && !item.name.empty() &&
                        item.name.back() == '/';
    item.externalAttributes = folder ? kAttrDirectory : 0x20;
    rawNames_.push_back(std::move(raw));
    items_.Append(std::move(item));
    return next;
}

std::int64_t TZFDirManager::FindDescriptor(std::int64_t dataStart, bool zip64, int& length) {
    // A descriptor is known by its signature and by a compressed size equal to its distance from
    // the data start; the search goes on past signatures inside the data, so it reads each byte once.
    for (std::int64_t at = FindSignature(dataStart, kDataDescriptorSignature); at >= 0;
         at = FindSignature(at + 1, kDataDescriptorSignature)) {
        const auto distance = static_cast<std::uint64_t>(at - dataStart);
        unsigned char d[24];
        const bool long64 = Peek(at, d, 24) && Le64(d + 8) == distance;
        const bool short32 = Peek(at, d, 16) && Le32(d + 8) == distance;
        if (long64 && (zip64 || !short32)) {
            length = 24;
            return at;
        }
        if (short32) {
            length = 16;
            return at;
        }
    }
    return -1;
}

std::int64_t TZFDirManager::ValidateLocalHeader(int index) {
    const TDirItem& item = items_.ItemRef(index);
    const std::uint64_t offset = item.LocalHeaderOffset();
    unsigned char h[kLocalHeaderSize];
    if (offset > static_cast<std::uint64_t>(directoryStart_) ||
        !Peek(static_cast<std::int64_t>(offset), h, kLocalHeaderSize))
        RaiseNamed(zfeEntryCutShort, item);
    const auto at = static_cast<std::int64_t>(offset);
    const TZFLocalHeader local = TZFLocalHeader::Parse(h);
    const std::string& stored = rawNames_[static_cast<std::size_t>(index)];
    std::string raw(local.nameLength, '\0');
    if (local.signature != kLocalHeaderSignature || local.nameLength != stored.size() ||
        !Peek(at + kLocalHeaderSize, raw.data(), local.nameLength) || raw != stored)
        RaiseNamed(zfeLocalHeaderMismatch, item);
    // Sizes a streaming writer did not know yet are not compared.
    if (!(local.flags & kFlagDataDescriptor)) {
        std::uint64_t compressed = local.compressedSize;
        std::uint64_t uncompressed = local.uncompressedSize;
        bool known = true;
        if (compressed == kZip64Marker32 || uncompressed == kZip64Marker32) {
            std::vector<unsigned char> extra(local.extraLength);
            known = Peek(at + kLocalHeaderSize + local.nameLength, extra.data(), local.extraLength) &&
                    LocalZip64Sizes(extra, uncompressed, compressed, uncompressed == kZip64Marker32,
                                    compressed == kZip64Marker32);
        }
        if (known && (compressed != item.CompressedSize() || uncompressed != item.UncompressedSize()))
            RaiseNamed(zfeLocalHeaderMismatch, item);
    }
    return at + kLocalHeaderSize + local.nameLength + local.extraLength;
}

void TZFDirManager::ValidateEntries() {
    const std::int64_t limit = directoryStart_;
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(items_.Count()));
    for (int i = 0; i < items_.Count(); ++i)
        if (!items_.ItemRef(i).IsDirectory()) order.push_back(i);
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        return items_.ItemRef(a).LocalHeaderOffset() < items_.ItemRef(b).LocalHeaderOffset();
    });
    std::uint64_t previousEnd = 0;
    for (const int index : order) {
        const TDirItem& item = items_.ItemRef(index);
        const std::int64_t dataStart = ValidateLocalHeader(index);
        if (dataStart > limit || item.CompressedSize() > static_cast<std::uint64_t>(limit - dataStart))
            RaiseNamed(zfeEntryCutShort, item);
        if (item.LocalHeaderOffset() < previousEnd) RaiseNamed(zfeEntriesOverlap, item);
        previousEnd = static_cast<std::uint64_t>(dataStart) + item.CompressedSize();
    }
}

std::int64_t TZFDirManager::ReadLocalHeader(const TDirItem& item) {
    const std::uint64_t offset = item.LocalHeaderOffset();
    unsigned char h[kLocalHeaderSize];
    if (offset > static_cast<std::uint64_t>(INT64_MAX - kLocalHeaderSize) ||
        ReadData(static_cast<std::int64_t>(offset), h, kLocalHeaderSize) != kLocalHeaderSize)
        throw platform::EStreamError("Stream read error");
    const TZFLocalHeader local = TZFLocalHeader::Parse(h);
    const std::int64_t data =
        static_cast<std::int64_t>(offset) + kLocalHeaderSize + local.nameLength + local.extraLength;
    return data;
}

std::int64_t TZFDirManager::ReadData(std::int64_t offset, void* buffer, std::int64_t count) {
    // Small reads, the common case of archives of many small files, come from the window.
    constexpr std::int64_t kWindowedRead = 65536;
    if (count <= kWindowedRead && offset >= 0 && offset < fileSize_) {
        const std::int64_t n = std::min(count, fileSize_ - offset);
        if (!Fill(offset, n)) return 0;
        std::memcpy(buffer, window_.data() + (offset - windowBase_), static_cast<std::size_t>(n));
        return n;
    }
    if (offset < 0) return 0;
    stream_.SetPosition(offset);
    return stream_.Read(buffer, count);
}

}  // namespace yeroup::zip
