#pragma once
// Where a crash scenario's files live below its folder, as the program lays them out, and the old and new contents
// of the small files the scenarios save.
#include <filesystem>
#include <string>

namespace yeroup::test::crash {

struct TCrashLayout {
    explicit TCrashLayout(const std::filesystem::path& folder)
        : root(folder),
          install(folder / "player"),
          files(folder / "files"),
          store(files / "FirmwareBack"),
          package(store / "A_1.0.zip"),
          catalogue(files / "YEROMP3LiveUpdate.ini"),
          signature(files / "YEROMP3LiveUpdate.ini.minisig"),
          selection(files / "user.ini"),
          download(store / "YERO-T10_V1.05.zip") {}

    std::filesystem::path root, install, files, store, package, catalogue, signature, selection, download;
};

inline std::string OldCatalogue() { return "[YERO-T10]\r\nV1.02=old\r\n"; }
inline std::string NewCatalogue() {
    return "[YERO-T10]\r\nV1.02=old\r\nV1.05=new\r\n" + std::string(6000, ';') + "\r\n";
}
inline std::string OldSignature() { return "untrusted comment: old\nRWQold\ntrusted comment: timestamp:1\nold\n"; }
inline std::string NewSignature() { return "untrusted comment: new\nRWQnew\ntrusted comment: timestamp:2\nnew\n"; }
// A package the download scenario fetches, with the entity tag its host sends.
inline std::string PackageBody() {
    std::string body;
    for (unsigned i = 0; body.size() < 300000; ++i) body += "PK block " + std::to_string(i * 2654435761u) + "\n";
    return body;
}
inline constexpr const char* kPackageTag = "ETag: \"v1\"";
inline constexpr int kOldModel = 1, kOldFirmware = 2, kNewModel = 3, kNewFirmware = 4;

}  // namespace yeroup::test::crash
