#include "platform/wine/WinePaths.h"

#include <cstdlib>
#include <vector>

#include "platform/files/DataFolder.h"
#include "platform/text/AsciiText.h"

namespace yeroup::platform {

namespace {

namespace fs = std::filesystem;

// The folder a drive letter stands for; empty when the prefix has no such drive.
fs::path DriveRoot(const fs::path& prefix, char letter) {
    std::error_code error;
    const char lower = static_cast<char>(letter | 0x20);
    const fs::path link = prefix / "dosdevices" / std::string{lower, ':'};
    if (fs::is_directory(link, error)) return fs::canonical(link, error);
    if (lower == 'c' && fs::is_directory(prefix / "drive_c", error)) return fs::canonical(prefix / "drive_c", error);
    return {};
}

// The entry of folder whose name equals name without regard to case; name itself when none does.
std::string MatchName(const fs::path& folder, const std::string& name) {
    std::error_code error;
    if (fs::exists(folder / name, error)) return name;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string candidate = it->path().filename().string();
        if (SameText(candidate, name)) return candidate;
    }
    return name;
}

}  // namespace

fs::path DefaultWinePrefix() {
    const char* prefix = std::getenv("WINEPREFIX");
    return prefix && *prefix ? fs::path(prefix) : HomeFolder() / ".wine";
}

std::string WindowsToLocalPath(const fs::path& prefix, const std::string& windowsPath) {
    std::string path = Trim(windowsPath);
    if (!path.empty() && path[0] == '/') return path;
    if (path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\??\\", 0) == 0) path.erase(0, 4);
    const bool letter = path.size() >= 2 && path[1] == ':' && ((path[0] | 0x20) >= 'a' && (path[0] | 0x20) <= 'z');
    if (!letter) return {};
    const fs::path root = DriveRoot(prefix, path[0]);
    if (root.empty()) return {};

    std::vector<std::string> names;
    std::size_t start = 2;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos) end = path.size();
        const std::string name = path.substr(start, end - start);
        if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        start = end + 1;
    }
    fs::path local = root;
    for (const std::string& name : names) local /= MatchName(local, name);
    return local.string();
}

}  // namespace yeroup::platform
