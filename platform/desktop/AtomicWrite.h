#pragma once
// Replaces a file's contents so that a crash or a full disk never leaves a truncated file where a good one was:
// the bytes go to a temporary file in the same folder, are flushed to the disk, and the temporary file is then
// renamed over the target.
#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace yeroup::platform {

class EFileCreateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raises EFileCreateError "Cannot create file "<target>". <system text>" when the file cannot be written;
// the old file, if any, is then left as it was.
void ReplaceFileAtomically(const std::filesystem::path& target, const char* data, std::size_t size);

}  // namespace yeroup::platform
