#include "platform/process/ExeFolder.h"

#include <filesystem>
#include <system_error>

namespace yeroup::platform {

std::string ExeFolder() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    std::string folder = error ? std::filesystem::current_path().string() : exe.parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace yeroup::platform
