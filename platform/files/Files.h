#pragma once
// Stand-in for the file-system services: existence tests, folder creation with parents, DOS
// attributes, DOS date-times as file times, and exclusive opening of a file that others hold.
#include <cstddef>
#include <cstdint>
#include <string>

namespace yeroup::platform {

// DOS attribute bits. Only the read-only bit has a counterpart on this system (the write
// permission); the folder bit is reported from the file type.
inline constexpr std::uint32_t faReadOnly = 0x01;
inline constexpr std::uint32_t faHidden = 0x02;
inline constexpr std::uint32_t faSysFile = 0x04;
inline constexpr std::uint32_t faVolumeId = 0x08;
inline constexpr std::uint32_t faDirectory = 0x10;
inline constexpr std::uint32_t faArchive = 0x20;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

inline constexpr char kPathDelim = '/';

bool FileExists(const std::string& path);  // anything but a folder
bool DirectoryExists(const std::string& path);
// Anything at all: a file, a folder or a link, a dangling one too (links are not followed).
bool AnythingAt(const std::string& path);
// Creates the folder and every missing parent; false when it cannot (also for an empty name).
bool ForceDirectories(const std::string& path);
bool DeleteFile(const std::string& path);

std::uint32_t GetFileAttributes(const std::string& path);
bool SetFileAttributes(const std::string& path, std::uint32_t attributes);

// Forces everything written on the file system that holds the path to the disk: one call for
// a whole batch of files and folders instead of one flush per file.
bool SyncFileSystem(const std::string& path);
// Forces a folder's entries (creations, renames, removals in it) to the disk.
bool SyncFolder(const std::string& path);

// Writes every byte to the open file, going on after interrupted calls; false (errno set) when the system refuses.
bool WriteFully(int fd, const void* data, std::size_t size);

// Hands a file's written bytes on to the disk a piece at a time without waiting, so that a flush to come waits for
// little more than the last piece. Only a start: the flush is still what makes the bytes durable.
class TWriteBehind {
public:
    void Wrote(std::int64_t bytes) { written_ += bytes; }
    // Hands on what is pending once it fills a piece; with rest, whatever is pending, once the file is written.
    void HandOn(int fd, bool rest = false);

private:
    static constexpr std::int64_t kPiece = std::int64_t{2} << 20;
    // Smaller files are left to the flush, which writes many of them out together.
    static constexpr std::int64_t kSmallest = std::int64_t{64} << 10;

    std::int64_t written_ = 0;
    std::int64_t handedOn_ = 0;
};

// DOS date (high half) and time (low half) packed into one value, read as local time.
std::int64_t DosDateTimeToUnixTime(std::uint32_t dosDateTime);
std::uint32_t UnixTimeToDosDateTime(std::int64_t unixTime);
// Modification time of a file as a DOS date-time; false when it cannot be read.
bool GetFileDosDateTime(const std::string& path, std::uint32_t& dosDateTime);

// True when another holder has the file open with an exclusive lock (the stand-in for a file
// another process keeps open without sharing).
bool IsFileLockedByOther(const std::string& path);

// A file created for writing under an exclusive advisory lock, the stand-in for a file opened
// without sharing.
class TLockedFile {
public:
    // Creates a file that must not exist yet; IsOpen() is false when that fails.
    static TLockedFile CreateNew(const std::string& path);

    TLockedFile(TLockedFile&& other) noexcept;
    TLockedFile& operator=(TLockedFile&& other) noexcept;
    TLockedFile(const TLockedFile&) = delete;
    TLockedFile& operator=(const TLockedFile&) = delete;
    ~TLockedFile();

    bool IsOpen() const { return fd_ >= 0; }
    // False when not every byte could be written.
    bool Write(const void* data, std::size_t size);
    bool Flush();
    // Hands what was written so far on to the disk without waiting (see TWriteBehind).
    void WriteBehind(bool rest = false) { writeBehind_.HandOn(fd_, rest); }
    bool SetDosDateTime(std::uint32_t dosDateTime);
    // As SetFileAttributes, on the open file.
    bool SetAttributes(std::uint32_t attributes);
    // Read, write and execute bits of owner, group and others (never set-id or sticky bits).
    bool SetPermissions(std::uint32_t permissions);
    void Close();

private:
    explicit TLockedFile(int fd) : fd_(fd) {}
    int fd_ = -1;
    TWriteBehind writeBehind_;
};

}  // namespace yeroup::platform
