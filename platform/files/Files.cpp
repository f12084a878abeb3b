#include "platform/files/Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <utility>

namespace yeroup::platform {

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool AnythingAt(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool ForceDirectories(const std::string& path) {
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == kPathDelim) dir.pop_back();
    if (dir.empty()) return false;
    if (DirectoryExists(dir)) return true;
    const std::size_t cut = dir.find_last_of(kPathDelim);
    if (cut != std::string::npos && cut > 0 && !ForceDirectories(dir.substr(0, cut))) return false;
    return ::mkdir(dir.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(dir));
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::uint32_t GetFileAttributes(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return kInvalidFileAttributes;
    if (S_ISDIR(st.st_mode)) return faDirectory;
    std::uint32_t attributes = faArchive;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= faReadOnly;
    return attributes;
}

namespace {

// The read-only attribute is the absence of every write bit.
mode_t ModeWithAttributes(mode_t mode, std::uint32_t attributes) {
    mode &= 07777;
    if (attributes & faReadOnly) return mode & static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    return mode | S_IWUSR;
}

}  // namespace

bool SetFileAttributes(const std::string& path, std::uint32_t attributes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return ::chmod(path.c_str(), ModeWithAttributes(st.st_mode, attributes)) == 0;
}

bool SyncFileSystem(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

bool SyncFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool WriteFully(int fd, const void* data, std::size_t size) {
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, in, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        in += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void TWriteBehind::HandOn(int fd, bool rest) {
    const std::int64_t pending = written_ - handedOn_;
    if (pending == 0 || (rest ? written_ < kSmallest : pending < kPiece)) return;
    ::sync_file_range(fd, handedOn_, pending, SYNC_FILE_RANGE_WRITE);
    handedOn_ = written_;
}

std::int64_t DosDateTimeToUnixTime(std::uint32_t dosDateTime) {
    const std::uint32_t date = dosDateTime >> 16;
    const std::uint32_t time = dosDateTime & 0xFFFF;
    std::tm tm{};
    tm.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
    tm.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
    tm.tm_mday = static_cast<int>(date & 0x1F);
    tm.tm_hour = static_cast<int>((time >> 11) & 0x1F);
    tm.tm_min = static_cast<int>((time >> 5) & 0x3F);
    tm.tm_sec = static_cast<int>(time & 0x1F) * 2;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

std::uint32_t UnixTimeToDosDateTime(std::int64_t unixTime) {
    const std::time_t t = static_cast<std::time_t>(unixTime);
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr || tm.tm_year < 80) return (1u << 5 | 1u) << 16;  // 1980-01-01
    const std::uint32_t date =
        static_cast<std::uint32_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    const std::uint32_t time = static_cast<std::uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return date << 16 | time;
}

bool GetFileDosDateTime(const std::string& path, std::uint32_t& dosDateTime) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    dosDateTime = UnixTimeToDosDateTime(st.st_mtime);
    return true;
}

bool IsFileLockedByOther(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

TLockedFile TLockedFile::CreateNew(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return TLockedFile(-1);
    }
    return TLockedFile(fd);
}

bool TLockedFile::Write(const void* data, std::size_t size) {
    if (!WriteFully(fd_, data, size)) return false;
    writeBehind_.Wrote(static_cast<std::int64_t>(size));
    return true;
}

bool TLockedFile::Flush() { return ::fsync(fd_) == 0; }

bool TLockedFile::SetDosDateTime(std::uint32_t dosDateTime) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(DosDateTimeToUnixTime(dosDateTime)), 0}};
    return ::futimens(fd_, times) == 0;
}

bool TLockedFile::SetAttributes(std::uint32_t attributes) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return false;
    return ::fchmod(fd_, ModeWithAttributes(st.st_mode, attributes)) == 0;
}

bool TLockedFile::SetPermissions(std::uint32_t permissions) {
    return ::fchmod(fd_, static_cast<mode_t>(permissions & 0777)) == 0;
}

TLockedFile::TLockedFile(TLockedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), writeBehind_(other.writeBehind_) {}

TLockedFile& TLockedFile::operator=(TLockedFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        writeBehind_ = other.writeBehind_;
    }
    return *this;
}

TLockedFile::~TLockedFile() { Close(); }

void TLockedFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace yeroup::platform
