#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/streams/Stream.h"

namespace yeroup::platform {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& path) {
    throw EStreamError(what + " " + path.string() + ": " + std::strerror(errno));
}

}  // namespace

TFileStream::TFileStream(const std::filesystem::path& path, FileMode mode) : path_(path) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case FileMode::fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    case FileMode::fmOpenRead: flags |= O_RDONLY; break;
    case FileMode::fmOpenReadWrite: flags |= O_RDWR; break;
    }
    fd_ = ::open(path.c_str(), flags, 0644);
    if (fd_ < 0) Fail(mode == FileMode::fmCreate ? "Cannot create file" : "Cannot open file", path);
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    auto* out = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, out + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("Cannot read file", path_);
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    const auto* in = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, in + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("Cannot write file", path_);
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::soBeginning ? SEEK_SET
                       : origin == SeekOrigin::soCurrent ? SEEK_CUR
                                                         : SEEK_END;
    const off_t at = ::lseek(fd_, offset, whence);
    if (at < 0) Fail("Cannot seek in file", path_);
    return at;
}

void TFileStream::SetSize(std::int64_t newSize) {
    if (::ftruncate(fd_, newSize) != 0) Fail("Cannot size file", path_);
    if (Position() > newSize) SetPosition(newSize);
}

void TFileStream::Flush() {
    if (::fsync(fd_) != 0) Fail("Cannot flush file", path_);
}

}  // namespace yeroup::platform
