#include "platform/process/NamedMutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace yeroup::platform {

std::filesystem::path DefaultLockFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) return runtime;
    std::filesystem::path folder = "/tmp/yeroup-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    return folder;
}

TNamedMutex::TNamedMutex(const std::string& name, const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / (name + ".lock");
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    // Without a lock file there is nothing to share; the copy then runs as the first one.
    if (fd_ < 0) return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        alreadyExisted_ = errno == EWOULDBLOCK;
        ::close(fd_);
        fd_ = -1;
    }
}

TNamedMutex::~TNamedMutex() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace yeroup::platform
