#pragma once
// The program's local files and its update host URLs. The files live beside the executable for a portable run,
// and in the user's data folder for an installed program.
// M (model) and F (firmware) are catalogue names in the ANSI code page: they go into URLs byte for byte and
// into local file names converted to UTF-8.
#include <filesystem>
#include <string>

#include "platform/files/DataFolder.h"

namespace yeroup::app {

// The folder for the program's own files (catalogue copy, selection, package store), ending in "/": the exe
// folder when the program may write there and it is not the bin folder of an installation (one whose share/
// holds our desktop entry); otherwise dataHome + "/yeroup/", created when missing.
std::string ChooseFilesFolder(const std::string& exeFolder, const std::filesystem::path& dataHome,
                              bool (*writable)(const std::string&) = platform::FolderWritable);

// The update host: "host", "host:port", "http://host[:port]" or "https://host[:port]", from
// $YEROUP_UPDATE_HOST, else the built-in 127.0.0.1:8765.
std::string UpdateHostFromEnvironment();
// The path an update host setting holds after its host[:port] ("/sub" of "http://host/sub"), empty when none (a
// lone trailing "/" is none). The program's URLs put their own path after the host, so a setting with one is no
// host setting.
std::string UpdateHostPath(const std::string& updateHost);
// A PEM file of certificate authorities trusted for an https update host beside the system's store:
// $YEROUP_CA_FILE, else none.
std::string ExtraCAFileFromEnvironment();

class TAppFiles {
public:
    // exeFolder (the folder chosen for the files, see ChooseFilesFolder) ends in "/" (one is added when missing);
    // updateHost without a scheme is http.
    TAppFiles(std::string exeFolder, const std::string& updateHost);

    // The update host is reached over TLS.
    bool SecureHost() const;

    const std::string& ExeFolder() const { return exeFolder_; }

    std::string CatalogueFile() const;   // YEROMP3LiveUpdate.ini
    std::string MirrorListFile() const;  // mirrors.txt, the copy last taken
    std::string SelectionFile() const;   // user.ini
    // What the key rotation statements taken so far changed in the trusted keys: the program's own key set.
    std::string KeyChangesFile() const;
    // The history of upgrades, for the user and support.
    std::string HistoryFile() const;
    std::string PackageStore() const;  // FirmwareBack
    std::string PageFile(const std::string& m, const std::string& f) const;
    std::string PackageFile(const std::string& m, const std::string& f) const;

    std::string CatalogueUrl() const;
    std::string HomeUrl() const;
    std::string RotationUrl() const;  // the signing key's rotation statement
    std::string MirrorListUrl() const;
    std::string PageUrl(const std::string& m, const std::string& f) const;
    std::string PackageUrl(const std::string& m, const std::string& f) const;

    // The paths of those URLs on the update host, which also lays its files out by them. M and F stand byte for
    // byte, as the program asks for them.
    static std::string CataloguePath();
    static std::string HomePath();
    static std::string RotationPath();
    static std::string MirrorListPath();
    static std::string PagePath(const std::string& m, const std::string& f);
    static std::string PackagePath(const std::string& m, const std::string& f);

    // The file names the update host's signatures name (M and F as the host spells them).
    static std::string CatalogueName();
    static std::string PackageName(const std::string& m, const std::string& f);
    static std::string MirrorListName();
    // A signature beside its file, locally and on the update host.
    static std::string SignatureOf(const std::string& fileOrUrl) { return fileOrUrl + ".minisig"; }
    // A package's piece list beside it (signed beside itself in turn), locally and on the update host.
    static std::string PieceListOf(const std::string& fileOrUrl) { return fileOrUrl + ".pieces"; }

private:
    std::string StoreFile(const std::string& m, const std::string& f, const char* extension) const;
    static std::string FirmwarePath(const std::string& m, const std::string& f, const char* extension);

    std::string exeFolder_;
    std::string hostUrl_;
};

}  // namespace yeroup::app
