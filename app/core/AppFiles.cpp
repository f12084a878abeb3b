#include "app/core/AppFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "platform/text/CodePages.h"

namespace yeroup::app {

std::string ChooseFilesFolder(const std::string& exeFolder, const std::filesystem::path& dataHome,
                              bool (*writable)(const std::string&)) {
    std::error_code error;
    const std::filesystem::path bin = (std::filesystem::path(exeFolder) / "").parent_path();
    const bool installed =
        bin.filename() == "bin" &&
        std::filesystem::exists(bin.parent_path() / "share" / "applications" / YEROUP_APP_ID ".desktop", error);
    std::string folder = exeFolder;
    if (installed || !writable(exeFolder)) {
        folder = (dataHome / "yeroup").string();
        std::filesystem::create_directories(folder, error);
    }
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string UpdateHostFromEnvironment() {
    const char* host = std::getenv("YEROUP_UPDATE_HOST");
    return host && *host ? std::string(host) : std::string("127.0.0.1:8765");
}

std::string ExtraCAFileFromEnvironment() {
    const char* file = std::getenv("YEROUP_CA_FILE");
    return file ? std::string(file) : std::string();
}

namespace {

bool StartsWithNoCase(const std::string& text, std::string_view prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

}  // namespace

std::string UpdateHostPath(const std::string& updateHost) {
    std::size_t start = 0;
    for (const std::string_view scheme : {"https://", "http://"})
        if (StartsWithNoCase(updateHost, scheme)) start = scheme.size();
    const std::size_t slash = updateHost.find('/', start);
    if (slash == std::string::npos || updateHost.find_first_not_of('/', slash) == std::string::npos) return {};
    return updateHost.substr(slash);
}

TAppFiles::TAppFiles(std::string exeFolder, const std::string& updateHost) : exeFolder_(std::move(exeFolder)) {
    if (exeFolder_.empty() || exeFolder_.back() != '/') exeFolder_ += '/';
    if (StartsWithNoCase(updateHost, "https://"))
        hostUrl_ = "https://" + updateHost.substr(8);
    else if (StartsWithNoCase(updateHost, "http://"))
        hostUrl_ = "http://" + updateHost.substr(7);
    else
        hostUrl_ = "http://" + updateHost;
    while (hostUrl_.back() == '/') hostUrl_.pop_back();
}

bool TAppFiles::SecureHost() const { return StartsWithNoCase(hostUrl_, "https://"); }

std::string TAppFiles::CatalogueName() { return "YEROMP3LiveUpdate.ini"; }
std::string TAppFiles::PackageName(const std::string& m, const std::string& f) { return m + "_" + f + ".zip"; }

std::string TAppFiles::CatalogueFile() const { return exeFolder_ + "YEROMP3LiveUpdate.ini"; }
std::string TAppFiles::MirrorListFile() const { return exeFolder_ + MirrorListName(); }
std::string TAppFiles::SelectionFile() const { return exeFolder_ + "user.ini"; }
std::string TAppFiles::KeyChangesFile() const { return exeFolder_ + "trusted-key-changes"; }
std::string TAppFiles::HistoryFile() const { return exeFolder_ + "upgrade-history"; }
std::string TAppFiles::PackageStore() const { return exeFolder_ + "FirmwareBack"; }

std::string TAppFiles::StoreFile(const std::string& m, const std::string& f, const char* extension) const {
    // A catalogue name holding "/" must not reach outside the package store.
    std::string name = platform::AnsiToUtf8(m + "_" + f);
    std::replace(name.begin(), name.end(), '/', '_');
    return PackageStore() + "/" + name + extension;
}

std::string TAppFiles::PageFile(const std::string& m, const std::string& f) const { return StoreFile(m, f, ".htm"); }
std::string TAppFiles::PackageFile(const std::string& m, const std::string& f) const { return StoreFile(m, f, ".zip"); }

std::string TAppFiles::CataloguePath() { return "/YEROMP3LiveUpdate/" + CatalogueName(); }
std::string TAppFiles::HomePath() { return "/YEROMP3LiveUpdate"; }
std::string TAppFiles::RotationPath() { return "/YEROMP3LiveUpdate/key-rotation.txt"; }
std::string TAppFiles::MirrorListName() { return "mirrors.txt"; }
std::string TAppFiles::MirrorListPath() { return "/YEROMP3LiveUpdate/" + MirrorListName(); }

std::string TAppFiles::FirmwarePath(const std::string& m, const std::string& f, const char* extension) {
    return "/YEROMP3LiveUpdate/Firmware/" + m + "/" + m + "_" + f + extension;
}

std::string TAppFiles::PagePath(const std::string& m, const std::string& f) { return FirmwarePath(m, f, ".asp"); }
std::string TAppFiles::PackagePath(const std::string& m, const std::string& f) { return FirmwarePath(m, f, ".zip"); }

std::string TAppFiles::CatalogueUrl() const { return hostUrl_ + CataloguePath(); }
std::string TAppFiles::HomeUrl() const { return hostUrl_ + HomePath(); }
std::string TAppFiles::RotationUrl() const { return hostUrl_ + RotationPath(); }
std::string TAppFiles::MirrorListUrl() const { return hostUrl_ + MirrorListPath(); }
std::string TAppFiles::PageUrl(const std::string& m, const std::string& f) const { return hostUrl_ + PagePath(m, f); }
std::string TAppFiles::PackageUrl(const std::string& m, const std::string& f) const {
    return hostUrl_ + PackagePath(m, f);
}

}  // namespace yeroup::app
