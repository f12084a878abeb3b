#pragma once
// Replaces a file's contents so that a crash or a full disk never leaves a truncated file where a good one was:
// the bytes go to a temporary file in the same folder, are flushed to the disk, the temporary file is then
// renamed over the target and the folder flushed, so a power cut cannot lose the rename either.
#include <cstddef>
#include <filesystem>
#include <string>

#include "platform/files/FileErrors.h"

namespace yeroup::platform {

// Raises EFileCreateError "Cannot create file "<target>". <system text>" when the file cannot be written;
// the old file, if any, is then left as it was.
void ReplaceFileAtomically(const std::filesystem::path& target, const char* data, std::size_t size);

// Temporary files of the replacement are named "<target>.~yeroup-XXXXXX" so that a later run can tell them
// from everything else and remove what a killed run left.
bool IsReplacementTemporary(const std::string& fileName);
// Removes such leftovers from the folder (not from its sub-folders); returns how many went.
int RemoveReplacementTemporaries(const std::filesystem::path& folder);

}  // namespace yeroup::platform
