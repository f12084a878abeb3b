#include "zip/PathNames.h"

#include <string_view>

#include <unistd.h>

#include <cctype>
#include <climits>

#include "platform/files/Files.h"
#include "platform/text/CodePages.h"

namespace yeroup::zip {

namespace {

constexpr char kDelim = platform::kPathDelim;

std::size_t LastDelimiter(const std::string& path) { return path.find_last_of(std::string(1, kDelim) + ":"); }

bool IsAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool HasDriveLetter(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

}  // namespace

std::string ExtractFileName(const std::string& path) {
    const std::size_t cut = LastDelimiter(path);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ExtractFilePath(const std::string& path) {
    const std::size_t cut = LastDelimiter(path);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string ExtractFileDrive(const std::string& path) {
    if (HasDriveLetter(path)) return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == kDelim && path[1] == kDelim) {
        // Server and share: up to the separator after the share name.
        const std::size_t server = path.find(kDelim, 2);
        if (server == std::string::npos) return path;
        const std::size_t share = path.find(kDelim, server + 1);
        return share == std::string::npos ? path : path.substr(0, share);
    }
    return std::string();
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
    if (!path.empty() && path.back() == kDelim) return path;
    return path + kDelim;
}

std::string DestinationFolder(const std::string& baseDir) {
    if (!baseDir.empty()) return IncludeTrailingPathDelimiter(baseDir);
    char buffer[PATH_MAX];
    const char* cwd = ::getcwd(buffer, sizeof buffer);
    return IncludeTrailingPathDelimiter(cwd ? std::string(cwd) : std::string("."));
}

bool IsRemovableDrive(const std::string& fileName) {
    std::string drive = ExtractFileDrive(fileName);
    for (char& c : drive) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // This system has no drive letters of its own: only the floppy letters count as removable.
    return drive == "A:" || drive == "B:";
}

std::string BackslashesToSlashes(std::string name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (platform::IsAnsiLeadByte(static_cast<unsigned char>(name[i])))
            ++i;  // the next byte is part of the same character
        else if (name[i] == '\\')
            name[i] = '/';
    }
    return name;
}

std::string ReplaceChar(std::string text, char from, char to) {
    for (char& c : text)
        if (c == from) c = to;
    return text;
}

// Most names are plain ASCII, which every code page spells alike: no conversion for them.
std::string AnsiToDiskName(const std::string& name) { return IsAscii(name) ? name : platform::AnsiToUtf8(name); }

std::string DiskNameToAnsi(const std::string& name) { return IsAscii(name) ? name : platform::Utf8ToAnsi(name); }

bool IsSafeRelativeName(const std::string& name) {
    if (name.empty()) return true;
    if (name[0] == kDelim || name.find(':') != std::string::npos) return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find(kDelim, start);
        if (end == std::string::npos) end = name.size();
        const std::string_view part = std::string_view(name).substr(start, end - start);
        if (part != "." && !part.empty() && part.find_first_not_of(". ") == std::string_view::npos) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace yeroup::zip
