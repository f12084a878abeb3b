#pragma once
// The log the file-operation recorder writes and the crash explorer reads: one record per operation on a file
// below the recorded folder, in the order the program made them.
#include <cstdint>
#include <string>
#include <vector>

namespace yeroup::test::crash {

enum class TOpKind : std::uint8_t {
    Create,    // path, offset (its file number), size (the mode): a new, empty file (O_CREAT that made it, mkstemp)
    Truncate,  // path, size
    Write,     // path, offset, data (write, pwrite, sendfile, copy_file_range)
    Fsync,     // path: a file's data, or a folder's entries (fsync, fdatasync)
    SyncFs,    // everything (syncfs, sync)
    Rename,    // path -> other
    Unlink,    // path
    Mkdir,     // path, offset (its file number), size (the mode)
    Rmdir,     // path
    Link,      // other (existing) -> path
    Symlink,   // path -> other (the link's text)
    Chmod,     // path, size (the mode)
};

// Fixed part of a record; the path, the other path and the data follow it.
struct TOpHeader {
    TOpKind kind;
    std::uint32_t pathSize;
    std::uint32_t otherSize;
    std::int64_t offset;  // where a write went; the file number of what Create and Mkdir made
    std::uint64_t size;   // bytes of data for Write, the new size for Truncate, the mode for Create, Mkdir, Chmod
};

struct TOp {
    TOpKind kind;
    std::string path, other;  // relative to the recorded folder
    std::int64_t offset = 0;
    std::uint64_t size = 0;
    std::string data;
};

// Reads a recorder's log, the paths made relative to root; throws std::runtime_error on a torn log.
std::vector<TOp> ReadOpLog(const std::string& logFile, const std::string& root);
const char* OpName(TOpKind kind);

}  // namespace yeroup::test::crash
