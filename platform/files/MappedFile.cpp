#include "platform/files/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace yeroup::platform {

TMappedFile::TMappedFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        throw std::system_error(error, std::generic_category(), path);
    }
    size_ = static_cast<std::size_t>(st.st_size);
    if (size_ > 0) {
        void* data = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (data == MAP_FAILED) {
            const int error = errno;
            ::close(fd);
            throw std::system_error(error, std::generic_category(), path);
        }
        // Read once from start to end: the kernel may read ahead and drop pages behind.
        ::madvise(data, size_, MADV_SEQUENTIAL);
        data_ = static_cast<const char*>(data);
    }
    ::close(fd);
}

TMappedFile::~TMappedFile() {
    if (data_) ::munmap(const_cast<char*>(data_), size_);
}

}  // namespace yeroup::platform
