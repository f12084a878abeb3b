#pragma once
// A whole file mapped read-only, so that a check over every byte of a large file (a signature over a package)
// reads it from the page cache instead of holding a copy.
#include <string>
#include <string_view>

namespace yeroup::platform {

class TMappedFile {
public:
    // Raises std::system_error when the file cannot be opened or mapped.
    explicit TMappedFile(const std::string& path);
    ~TMappedFile();
    TMappedFile(const TMappedFile&) = delete;
    TMappedFile& operator=(const TMappedFile&) = delete;

    std::string_view Bytes() const { return {data_, size_}; }

private:
    const char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace yeroup::platform
