#include "platform/files/SmallFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/scope/ScopeExit.h"

namespace yeroup::platform {

std::optional<std::string> ReadSmallFile(const std::filesystem::path& file, std::uint64_t limit) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) return std::nullopt;
    if (fd < 0) throw EFileReadError(std::strerror(errno));
    const ScopeExit closeFile([fd] { ::close(fd); });
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw EFileReadError(std::strerror(errno));
    if (static_cast<std::uint64_t>(st.st_size) > limit)
        throw EFileReadError("it holds " + std::to_string(st.st_size) + " bytes, more than the " +
                             std::to_string(limit) + " it can hold");
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR) throw EFileReadError(std::strerror(errno));
        if (n == 0) bytes.resize(done);  // shorter than it was a moment ago
        if (n > 0) done += static_cast<std::size_t>(n);
    }
    return bytes;
}

}  // namespace yeroup::platform
