#include "platform/desktop/AtomicWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace yeroup::platform {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& target, int error) {
    throw EFileCreateError("Cannot create file \"" + std::filesystem::absolute(target).string() + "\". " +
                           std::strerror(error));
}

constexpr const char* kTemporaryMarker = ".~yeroup-";
constexpr std::size_t kTemporarySuffix = 6;  // the XXXXXX that mkstemp fills in

bool SyncFolderOf(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Large contents go out in pieces, each handed on to the disk while the next is copied, so the flush at the end
// waits for little more than the last piece.
constexpr std::size_t kWritebackPiece = std::size_t{2} << 20;

bool WritePiece(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const std::size_t piece = std::min(size - done, kWritebackPiece);
        if (!WritePiece(fd, data + done, piece)) return false;
        // Only a start: the fsync that follows is what makes the bytes durable.
        ::sync_file_range(fd, static_cast<off_t>(done), static_cast<off_t>(piece), SYNC_FILE_RANGE_WRITE);
        done += piece;
    }
    return true;
}

}  // namespace

void ReplaceFileAtomically(const std::filesystem::path& target, const char* data, std::size_t size) {
    std::string temp = target.string() + kTemporaryMarker + std::string(kTemporarySuffix, 'X');
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) Fail(target, errno);
    int error = 0;
    if (!WriteAll(fd, data, size) || ::fsync(fd) != 0) error = errno ? errno : EIO;
    // mkstemp creates the file readable by the owner only; a replaced file gets ordinary permissions.
    if (error == 0) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temp.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        Fail(target, error);
    }
    if (!SyncFolderOf(target)) Fail(target, errno);
}

bool IsReplacementTemporary(const std::string& fileName) {
    const std::size_t at = fileName.rfind(kTemporaryMarker);
    return at != std::string::npos && at > 0 &&
           fileName.size() == at + std::strlen(kTemporaryMarker) + kTemporarySuffix;
}

int RemoveReplacementTemporaries(const std::filesystem::path& folder) {
    int removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && IsReplacementTemporary(it->path().filename().string()) &&
            std::filesystem::remove(it->path(), ec))
            ++removed;
    }
    return removed;
}

}  // namespace yeroup::platform
