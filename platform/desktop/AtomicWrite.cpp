#include "platform/desktop/AtomicWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void ReplaceFileAtomically(const std::filesystem::path& target, const char* data, std::size_t size) {
    std::string temp = target.string() + ".XXXXXX";
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
}

}  // namespace yeroup::platform
