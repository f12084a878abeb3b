#pragma once
// Replaces a file's contents so that a crash or a full disk never leaves a truncated file where a good one was:
// the bytes go to a temporary file in the same folder, are flushed to the disk, the temporary file is then
// renamed over the target and the folder flushed, so a power cut cannot lose the rename either.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/files/FileErrors.h"

namespace yeroup::platform {

// Raises EFileCreateError "Cannot create file "<target>". <system text>" when the file cannot be written;
// the old file, if any, is then left as it was.
void ReplaceFileAtomically(const std::filesystem::path& target, const char* data, std::size_t size);

// Replaces two files that go together (a file and its signature) so that a cut leaves both old or both new: each
// new content is first written durably beside its file as "<file>.yeroup-next", then the first is renamed into place
// and the folder flushed, then the second. Raises EFileCreateError as ReplaceFileAtomically, both files then as
// they were unless the first was already in place (then the second is what SettleFilesReplacedTogether finishes).
void ReplaceFilesTogether(const std::filesystem::path& first, std::string_view firstBytes,
                          const std::filesystem::path& second, std::string_view secondBytes);
// At start-up, after a cut in ReplaceFilesTogether: the second rename is finished when the first was done, and
// otherwise the new contents are dropped. True when the files are a pair of the same age (they were or are now).
bool SettleFilesReplacedTogether(const std::filesystem::path& first, const std::filesystem::path& second);

// Temporary files of the replacement are named "<target>.~yeroup-XXXXXX" so that a later run can tell them
// from everything else and remove what a killed run left.
bool IsReplacementTemporary(const std::string& fileName);
// Removes such leftovers from the folder (not from its sub-folders); returns how many went.
int RemoveReplacementTemporaries(const std::filesystem::path& folder);

}  // namespace yeroup::platform
