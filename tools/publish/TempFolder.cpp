#include "tools/publish/TempFolder.h"

#include <stdlib.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace yeroup::tools {

namespace fs = std::filesystem;

TTempFolder::TTempFolder(const std::string& prefix, const fs::path& folder) {
    const fs::path base = folder.empty() ? fs::temp_directory_path() : folder;
    std::string pattern = (base / (prefix + "XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr)
        throw fs::filesystem_error("cannot make a folder", pattern, std::error_code(errno, std::generic_category()));
    path_ = name.data();
}

TTempFolder::~TTempFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
}

}  // namespace yeroup::tools
