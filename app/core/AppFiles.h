#pragma once
// The program's local files beside its executable and its update host URLs.
// M (model) and F (firmware) are catalogue names in the ANSI code page: they go into URLs byte for byte and
// into local file names converted to UTF-8.
#include <string>

namespace yeroup::app {

// "host" or "host:port" of the update host: $YEROUP_UPDATE_HOST, else the built-in 127.0.0.1:8765.
std::string UpdateHostFromEnvironment();

class TAppFiles {
public:
    // exeFolder ends in "/" (one is added when missing).
    TAppFiles(std::string exeFolder, std::string updateHost);

    const std::string& ExeFolder() const { return exeFolder_; }

    std::string CatalogueFile() const;  // YEROMP3LiveUpdate.ini
    std::string SelectionFile() const;  // user.ini
    std::string PackageStore() const;   // FirmwareBack
    std::string PageFile(const std::string& m, const std::string& f) const;
    std::string PackageFile(const std::string& m, const std::string& f) const;

    std::string CatalogueUrl() const;
    std::string HomeUrl() const;
    std::string PageUrl(const std::string& m, const std::string& f) const;
    std::string PackageUrl(const std::string& m, const std::string& f) const;

private:
    std::string StoreFile(const std::string& m, const std::string& f, const char* extension) const;
    std::string FirmwareUrl(const std::string& m, const std::string& f, const char* extension) const;

    std::string exeFolder_;
    std::string hostUrl_;
};

}  // namespace yeroup::app
