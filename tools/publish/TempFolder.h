#pragma once
// A folder of the tool's own, made afresh (mkdtemp) and removed with all it holds.
#include <filesystem>
#include <string>

namespace yeroup::tools {

class TTempFolder {
public:
    // In folder (the system's temporary folder when empty), named prefix + six random characters. Raises
    // std::filesystem::filesystem_error when it cannot be made.
    explicit TTempFolder(const std::string& prefix, const std::filesystem::path& folder = {});
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace yeroup::tools
