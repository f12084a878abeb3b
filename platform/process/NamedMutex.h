#pragma once
// Process-wide named lock standing in for a named mutex created with initial ownership: the first holder
// owns it for its whole life, later ones learn that it already existed. It is an flock() on a file in the
// user's runtime folder, so the kernel drops it when the holder ends, however it ends.
#include <filesystem>
#include <string>

namespace yeroup::platform {

// $XDG_RUNTIME_DIR when set, else a private folder /tmp/yeroup-<uid>.
std::filesystem::path DefaultLockFolder();

class TNamedMutex {
public:
    explicit TNamedMutex(const std::string& name, const std::filesystem::path& folder = DefaultLockFolder());
    ~TNamedMutex();
    TNamedMutex(const TNamedMutex&) = delete;
    TNamedMutex& operator=(const TNamedMutex&) = delete;

    // True when another holder had the name before this object was created.
    bool AlreadyExisted() const { return alreadyExisted_; }

private:
    int fd_ = -1;
    bool alreadyExisted_ = false;
};

}  // namespace yeroup::platform
