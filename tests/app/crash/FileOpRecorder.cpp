// Loaded before the C library (LD_PRELOAD) into a program run for a crash scenario: every call that changes a
// file or a folder below $YEROUP_RECORD_ROOT is passed on, and what it did is appended to $YEROUP_RECORD_LOG.
// Not seen: writes the C library makes for itself (stdio's fwrite; only the trace log is written that way) and
// stores through a writable mapping (the program maps files read-only).
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "tests/app/crash/FileOpLog.h"

namespace {

using yeroup::test::crash::TOpHeader;
using yeroup::test::crash::TOpKind;

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

// True while the recorder itself works, so that its own calls are not recorded.
thread_local bool recording = false;

struct Busy {
    bool was;
    Busy() : was(recording) { recording = true; }
    ~Busy() { recording = was; }
};

const std::string& Root() {
    static const std::string root = [] {
        const char* value = ::getenv("YEROUP_RECORD_ROOT");
        char resolved[PATH_MAX];
        return value && ::realpath(value, resolved) ? std::string(resolved) + "/" : std::string();
    }();
    return root;
}

// The path with "." and ".." taken out and its folder resolved, as the file system sees it.
std::string Resolve(int dirfd, const char* path) {
    if (!path) return {};
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char base[PATH_MAX];
        if (dirfd == AT_FDCWD) {
            if (!::getcwd(base, sizeof base)) return {};
        } else {
            const std::string link = "/proc/self/fd/" + std::to_string(dirfd);
            const ssize_t n = ::readlink(link.c_str(), base, sizeof base - 1);
            if (n <= 0) return {};
            base[n] = '\0';
        }
        full = std::string(base) + "/" + full;
    }
    while (full.size() > 1 && full.back() == '/') full.pop_back();
    const std::size_t cut = full.rfind('/');
    const std::string folder = cut == 0 ? "/" : full.substr(0, cut), name = full.substr(cut + 1);
    char resolved[PATH_MAX];
    if (!::realpath(folder.c_str(), resolved)) return full;
    std::string out = resolved;
    if (name == "." || name.empty()) return out;
    if (name == "..") return out.substr(0, std::max<std::size_t>(out.rfind('/'), 1));
    return (out == "/" ? "" : out) + "/" + name;
}

std::string PathOfFd(int fd) {
    char buffer[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}

bool Below(const std::string& path) { return !Root().empty() && (path + "/").rfind(Root(), 0) == 0; }

void Log(TOpKind kind, const std::string& path, const std::string& other = {}, std::int64_t offset = 0,
         std::uint64_t size = 0, const void* data = nullptr) {
    if (!Below(path) && !(kind == TOpKind::Rename && Below(other))) return;
    static std::mutex mutex;
    static const auto realOpen = Next<int (*)(const char*, int, ...)>("open");
    static const auto realWrite = Next<ssize_t (*)(int, const void*, size_t)>("write");
    const std::lock_guard<std::mutex> lock(mutex);
    static const int log = [] {
        const char* file = ::getenv("YEROUP_RECORD_LOG");
        return file ? realOpen(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }();
    if (log < 0) return;
    const TOpHeader header{kind, static_cast<std::uint32_t>(path.size()), static_cast<std::uint32_t>(other.size()),
                           offset, size};
    std::string record(reinterpret_cast<const char*>(&header), sizeof header);
    record += path;
    record += other;
    if (kind == TOpKind::Write) record.append(static_cast<const char*>(data), size);
    for (std::size_t done = 0; done < record.size();) {
        const ssize_t n = realWrite(log, record.data() + done, record.size() - done);
        if (n <= 0) ::abort();  // a log with a hole would make every state after it wrong
        done += static_cast<std::size_t>(n);
    }
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::int64_t PositionOf(int fd) {
    if (::fcntl(fd, F_GETFL) & O_APPEND) {
        struct stat st {};
        return ::fstat(fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
    }
    return ::lseek(fd, 0, SEEK_CUR);
}

// The file number (inode) of what a call made: the program may note it (the upgrade's list of changes does).
std::int64_t FileNumber(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_ino) : 0;
}

mode_t WithoutMask(mode_t mode) {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mode & ~mask & 07777;
}

// What a successful open did: made the file (with the mode it got), or emptied it.
void Opened(const std::string& path, int flags, bool existed, mode_t mode) {
    if ((flags & O_CREAT) && !existed)
        Log(TOpKind::Create, path, {}, FileNumber(path), WithoutMask(mode));
    else if ((flags & O_TRUNC) && (flags & O_ACCMODE) != O_RDONLY)
        Log(TOpKind::Truncate, path);
}

int OpenAt(int dirfd, const char* file, int flags, mode_t mode) {
    static const auto realOpenAt = Next<int (*)(int, const char*, int, ...)>("openat");
    if (recording) return realOpenAt(dirfd, file, flags, mode);
    const Busy busy;
    const std::string path = Resolve(dirfd, file);
    const bool existed = Exists(path);
    const int saved = errno;
    const int fd = realOpenAt(dirfd, file, flags, mode);
    const int error = errno;
    if (fd >= 0) Opened(path, flags, existed, mode);
    errno = fd < 0 ? error : saved;
    return fd;
}

void Wrote(int fd, std::int64_t offset, const void* data, ssize_t n) {
    if (n > 0) Log(TOpKind::Write, PathOfFd(fd), {}, offset, static_cast<std::uint64_t>(n), data);
}

// The bytes a copy between files took from the source, read back from it.
void Copied(int in, std::int64_t inAt, int out, std::int64_t outAt, ssize_t n) {
    if (n <= 0) return;
    std::string bytes(static_cast<std::size_t>(n), '\0');
    if (::pread(in, bytes.data(), bytes.size(), inAt) != n) ::abort();
    Wrote(out, outAt, bytes.data(), n);
}

template <typename Call>
auto Recorded(Call&& call) {
    const int saved = errno;
    auto result = call();
    const int error = errno;
    errno = result < 0 ? error : saved;
    return result;
}

// A flush of one file (or folder), or of the file system that holds it: recorded once it succeeded.
struct FsyncName {
    static constexpr const char* name = "fsync";
};
struct FdatasyncName {
    static constexpr const char* name = "fdatasync";
};
struct SyncfsName {
    static constexpr const char* name = "syncfs";
};

template <typename Name>
int Flushed(int fd, TOpKind kind) {
    static const auto real = Next<int (*)(int)>(Name::name);
    if (recording) return real(fd);
    const Busy busy;
    const int result = Recorded([&] { return real(fd); });
    if (result == 0) Log(kind, kind == TOpKind::SyncFs ? Root() : PathOfFd(fd));
    return result;
}

}  // namespace

extern "C" {

int open(const char* file, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, int)) : 0;
    va_end(args);
    return OpenAt(AT_FDCWD, file, flags, mode);
}

int openat(int dirfd, const char* file, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, int)) : 0;
    va_end(args);
    return OpenAt(dirfd, file, flags, mode);
}

// The large-file names are the same calls here.
int open64(const char* file, int flags, ...) __attribute__((alias("open")));
int openat64(int dirfd, const char* file, int flags, ...) __attribute__((alias("openat")));

int creat(const char* file, mode_t mode) { return OpenAt(AT_FDCWD, file, O_CREAT | O_WRONLY | O_TRUNC, mode); }

FILE* fopen(const char* file, const char* how) {
    static const auto real = Next<FILE* (*)(const char*, const char*)>("fopen");
    if (recording) return real(file, how);
    const Busy busy;
    const std::string path = Resolve(AT_FDCWD, file);
    const bool existed = Exists(path);
    FILE* stream = real(file, how);
    const bool writes = how && (how[0] == 'w' || how[0] == 'a');
    if (stream && writes) Opened(path, O_CREAT | (how[0] == 'w' ? O_TRUNC | O_WRONLY : O_WRONLY), existed, 0666);
    return stream;
}

FILE* fopen64(const char* file, const char* how) { return fopen(file, how); }

int mkstemp(char* pattern) {
    static const auto real = Next<int (*)(char*)>("mkstemp");
    if (recording) return real(pattern);
    const Busy busy;
    const int fd = real(pattern);
    if (fd >= 0) {
        const std::string path = Resolve(AT_FDCWD, pattern);
        Log(TOpKind::Create, path, {}, FileNumber(path), 0600);
    }
    return fd;
}

int mkstemp64(char* pattern) { return mkstemp(pattern); }

ssize_t write(int fd, const void* data, size_t size) {
    static const auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
    if (recording) return real(fd, data, size);
    const Busy busy;
    const std::int64_t at = PositionOf(fd);
    const ssize_t n = Recorded([&] { return real(fd, data, size); });
    Wrote(fd, at, data, n);
    return n;
}

ssize_t writev(int fd, const struct iovec* pieces, int count) {
    static const auto real = Next<ssize_t (*)(int, const struct iovec*, int)>("writev");
    if (recording) return real(fd, pieces, count);
    const Busy busy;
    const std::int64_t at = PositionOf(fd);
    const ssize_t n = Recorded([&] { return real(fd, pieces, count); });
    std::string bytes;
    for (int i = 0; i < count && bytes.size() < static_cast<std::size_t>(std::max<ssize_t>(n, 0)); ++i)
        bytes.append(static_cast<const char*>(pieces[i].iov_base), pieces[i].iov_len);
    if (n > 0) Wrote(fd, at, bytes.data(), n);
    return n;
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
    static const auto real = Next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    if (recording) return real(fd, data, size, offset);
    const Busy busy;
    const ssize_t n = Recorded([&] { return real(fd, data, size, offset); });
    Wrote(fd, offset, data, n);
    return n;
}

ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) { return pwrite(fd, data, size, offset); }

ssize_t sendfile(int out, int in, off_t* offset, size_t count) {
    static const auto real = Next<ssize_t (*)(int, int, off_t*, size_t)>("sendfile");
    if (recording) return real(out, in, offset, count);
    const Busy busy;
    const std::int64_t inAt = offset ? *offset : ::lseek(in, 0, SEEK_CUR), outAt = PositionOf(out);
    const ssize_t n = Recorded([&] { return real(out, in, offset, count); });
    Copied(in, inAt, out, outAt, n);
    return n;
}

ssize_t sendfile64(int out, int in, off_t* offset, size_t count) { return sendfile(out, in, offset, count); }

ssize_t copy_file_range(int in, off_t* inOffset, int out, off_t* outOffset, size_t count, unsigned int flags) {
    static const auto real = Next<ssize_t (*)(int, off_t*, int, off_t*, size_t, unsigned int)>("copy_file_range");
    if (recording) return real(in, inOffset, out, outOffset, count, flags);
    const Busy busy;
    const std::int64_t inAt = inOffset ? *inOffset : ::lseek(in, 0, SEEK_CUR);
    const std::int64_t outAt = outOffset ? *outOffset : PositionOf(out);
    const ssize_t n = Recorded([&] { return real(in, inOffset, out, outOffset, count, flags); });
    Copied(in, inAt, out, outAt, n);
    return n;
}

int ftruncate(int fd, off_t size) {
    static const auto real = Next<int (*)(int, off_t)>("ftruncate");
    if (recording) return real(fd, size);
    const Busy busy;
    const int result = Recorded([&] { return real(fd, size); });
    if (result == 0) Log(TOpKind::Truncate, PathOfFd(fd), {}, 0, static_cast<std::uint64_t>(size));
    return result;
}

int ftruncate64(int fd, off_t size) { return ftruncate(fd, size); }

int truncate(const char* file, off_t size) {
    static const auto real = Next<int (*)(const char*, off_t)>("truncate");
    if (recording) return real(file, size);
    const Busy busy;
    const int result = Recorded([&] { return real(file, size); });
    if (result == 0) Log(TOpKind::Truncate, Resolve(AT_FDCWD, file), {}, 0, static_cast<std::uint64_t>(size));
    return result;
}

int fsync(int fd) { return Flushed<FsyncName>(fd, TOpKind::Fsync); }
int fdatasync(int fd) { return Flushed<FdatasyncName>(fd, TOpKind::Fsync); }
int syncfs(int fd) { return Flushed<SyncfsName>(fd, TOpKind::SyncFs); }

void sync() {
    static const auto real = Next<void (*)()>("sync");
    real();
    if (recording) return;
    const Busy busy;
    Log(TOpKind::SyncFs, Root());
}

// Only a start of write-back, never a promise: recorded as nothing.
int sync_file_range(int fd, off64_t offset, off64_t size, unsigned int flags) {
    static const auto real = Next<int (*)(int, off64_t, off64_t, unsigned int)>("sync_file_range");
    return real(fd, offset, size, flags);
}

int renameat2(int fromFd, const char* from, int toFd, const char* to, unsigned int flags) {
    static const auto real = Next<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
    if (recording) return real(fromFd, from, toFd, to, flags);
    const Busy busy;
    const std::string source = Resolve(fromFd, from), target = Resolve(toFd, to);
    const int result = Recorded([&] { return real(fromFd, from, toFd, to, flags); });
    if (result == 0) Log(TOpKind::Rename, source, target);
    return result;
}

int renameat(int fromFd, const char* from, int toFd, const char* to) { return renameat2(fromFd, from, toFd, to, 0); }
int rename(const char* from, const char* to) { return renameat2(AT_FDCWD, from, AT_FDCWD, to, 0); }

int unlinkat(int dirfd, const char* file, int flags) {
    static const auto real = Next<int (*)(int, const char*, int)>("unlinkat");
    if (recording) return real(dirfd, file, flags);
    const Busy busy;
    const std::string path = Resolve(dirfd, file);
    const int result = Recorded([&] { return real(dirfd, file, flags); });
    if (result == 0) Log((flags & AT_REMOVEDIR) ? TOpKind::Rmdir : TOpKind::Unlink, path);
    return result;
}

int unlink(const char* file) { return unlinkat(AT_FDCWD, file, 0); }
int rmdir(const char* file) { return unlinkat(AT_FDCWD, file, AT_REMOVEDIR); }

int remove(const char* file) {
    struct stat st {};
    const bool folder = ::lstat(file, &st) == 0 && S_ISDIR(st.st_mode);
    return unlinkat(AT_FDCWD, file, folder ? AT_REMOVEDIR : 0);
}

int mkdirat(int dirfd, const char* file, mode_t mode) {
    static const auto real = Next<int (*)(int, const char*, mode_t)>("mkdirat");
    if (recording) return real(dirfd, file, mode);
    const Busy busy;
    const std::string path = Resolve(dirfd, file);
    const int result = Recorded([&] { return real(dirfd, file, mode); });
    if (result == 0) Log(TOpKind::Mkdir, path, {}, FileNumber(path), WithoutMask(mode));
    return result;
}

int mkdir(const char* file, mode_t mode) { return mkdirat(AT_FDCWD, file, mode); }

int linkat(int fromFd, const char* from, int toFd, const char* to, int flags) {
    static const auto real = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
    if (recording) return real(fromFd, from, toFd, to, flags);
    const Busy busy;
    const std::string source = Resolve(fromFd, from), target = Resolve(toFd, to);
    const int result = Recorded([&] { return real(fromFd, from, toFd, to, flags); });
    if (result == 0) Log(TOpKind::Link, target, source);
    return result;
}

int link(const char* from, const char* to) { return linkat(AT_FDCWD, from, AT_FDCWD, to, 0); }

int symlinkat(const char* text, int dirfd, const char* file) {
    static const auto real = Next<int (*)(const char*, int, const char*)>("symlinkat");
    if (recording) return real(text, dirfd, file);
    const Busy busy;
    const std::string path = Resolve(dirfd, file);
    const int result = Recorded([&] { return real(text, dirfd, file); });
    if (result == 0) Log(TOpKind::Symlink, path, text);
    return result;
}

int symlink(const char* text, const char* file) { return symlinkat(text, AT_FDCWD, file); }

int fchmodat(int dirfd, const char* file, mode_t mode, int flags) {
    static const auto real = Next<int (*)(int, const char*, mode_t, int)>("fchmodat");
    if (recording) return real(dirfd, file, mode, flags);
    const Busy busy;
    const std::string path = Resolve(dirfd, file);
    const int result = Recorded([&] { return real(dirfd, file, mode, flags); });
    if (result == 0) Log(TOpKind::Chmod, path, {}, 0, mode & 07777);
    return result;
}

int chmod(const char* file, mode_t mode) { return fchmodat(AT_FDCWD, file, mode, 0); }

int fchmod(int fd, mode_t mode) {
    static const auto real = Next<int (*)(int, mode_t)>("fchmod");
    if (recording) return real(fd, mode);
    const Busy busy;
    const int result = Recorded([&] { return real(fd, mode); });
    if (result == 0) Log(TOpKind::Chmod, PathOfFd(fd), {}, 0, mode & 07777);
    return result;
}

}  // extern "C"
