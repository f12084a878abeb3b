#include "zip/Records.h"

#include "zip/LittleEndian.h"

namespace yeroup::zip {

TZFEndRecord TZFEndRecord::Parse(const unsigned char* p) {
    TZFEndRecord r;
    r.signature = Le32(p);
    r.diskNumber = Le16(p + 4);
    r.startDiskNumber = Le16(p + 6);
    r.entriesOnDisk = Le16(p + 8);
    r.totalEntries = Le16(p + 10);
    r.directorySize = Le32(p + 12);
    r.directoryOffset = Le32(p + 16);
    r.commentLength = Le16(p + 20);
    return r;
}

TZFZip64Locator TZFZip64Locator::Parse(const unsigned char* p) {
    TZFZip64Locator r;
    r.signature = Le32(p);
    r.endRecordDisk = Le32(p + 4);
    r.endRecordOffset = Le64(p + 8);
    r.totalDisks = Le32(p + 16);
    return r;
}

TZFZip64EndRecord TZFZip64EndRecord::Parse(const unsigned char* p) {
    TZFZip64EndRecord r;
    r.signature = Le32(p);
    r.recordSize = Le64(p + 4);
    r.versionMadeBy = Le16(p + 12);
    r.versionNeeded = Le16(p + 14);
    r.diskNumber = Le32(p + 16);
    r.startDiskNumber = Le32(p + 20);
    r.entriesOnDisk = Le64(p + 24);
    r.totalEntries = Le64(p + 32);
    r.directorySize = Le64(p + 40);
    r.directoryOffset = Le64(p + 48);
    return r;
}

TZFLocalHeader TZFLocalHeader::Parse(const unsigned char* p) {
    TZFLocalHeader r;
    r.signature = Le32(p);
    r.versionNeeded = Le16(p + 4);
    r.flags = Le16(p + 6);
    r.method = Le16(p + 8);
    r.lastModTime = Le16(p + 10);
    r.lastModDate = Le16(p + 12);
    r.crc32 = Le32(p + 14);
    r.compressedSize = Le32(p + 18);
    r.uncompressedSize = Le32(p + 22);
    r.nameLength = Le16(p + 26);
    r.extraLength = Le16(p + 28);
    return r;
}

}  // namespace yeroup::zip
