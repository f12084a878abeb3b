#include "platform/files/AtomicWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files/Files.h"

namespace yeroup::platform {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& target, int error) {
    throw EFileCreateError(target.string(), error);
}

constexpr const char* kTemporaryMarker = ".~yeroup-";
constexpr std::size_t kTemporarySuffix = 6;  // the XXXXXX that mkstemp fills in

// Large contents go out in pieces, each handed on to the disk while the next is copied, so the flush at the end
// waits for little more than the last piece.
bool WriteAll(int fd, const char* data, std::size_t size) {
    TWriteBehind writeBehind;
    for (std::size_t done = 0; done < size;) {
        const std::size_t piece = std::min<std::size_t>(size - done, std::size_t{1} << 20);
        if (!WriteFully(fd, data + done, piece)) return false;
        writeBehind.Wrote(static_cast<std::int64_t>(piece));
        writeBehind.HandOn(fd);
        done += piece;
    }
    return true;
}

constexpr const char* kNextSuffix = ".yeroup-next";

std::filesystem::path NextOf(const std::filesystem::path& file) { return file.string() + kNextSuffix; }

std::string FolderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path().string() : ".";
}

// Renames the pending content over the file and flushes the folder: false (errno set) when the system refuses.
bool PutInPlace(const std::filesystem::path& file) {
    return std::rename(NextOf(file).c_str(), file.c_str()) == 0 && SyncFolder(FolderOf(file));
}

void DropPending(const std::filesystem::path& first, const std::filesystem::path& second) {
    ::unlink(NextOf(first).c_str());
    ::unlink(NextOf(second).c_str());
    SyncFolder(FolderOf(first));
    SyncFolder(FolderOf(second));
}

}  // namespace

void ReplaceFilesTogether(const std::filesystem::path& first, std::string_view firstBytes,
                          const std::filesystem::path& second, std::string_view secondBytes) {
    try {
        ReplaceFileAtomically(NextOf(first), firstBytes.data(), firstBytes.size());
        ReplaceFileAtomically(NextOf(second), secondBytes.data(), secondBytes.size());
    } catch (const EFileCreateError&) {
        DropPending(first, second);
        throw;
    }
    if (!PutInPlace(first)) {
        const int error = errno;
        DropPending(first, second);
        Fail(first, error);
    }
    if (!PutInPlace(second)) Fail(second, errno);
}

bool SettleFilesReplacedTogether(const std::filesystem::path& first, const std::filesystem::path& second) {
    const bool firstPending = AnythingAt(NextOf(first).string()), secondPending = AnythingAt(NextOf(second).string());
    // The second content waits alone only once the first is in place.
    if (secondPending && !firstPending) return PutInPlace(second);
    if (firstPending || secondPending) DropPending(first, second);
    return true;
}

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
    if (!SyncFolder(target.has_parent_path() ? target.parent_path().string() : ".")) Fail(target, errno);
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
