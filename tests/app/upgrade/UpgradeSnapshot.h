#pragma once
// What a folder holds, to compare the install folder before and after an upgrade: every folder, and every file
// with its mode and bytes.
#include <filesystem>
#include <map>
#include <string>

namespace yeroup::test {

using TSnapshot = std::map<std::string, std::string>;
TSnapshot Snapshot(const std::filesystem::path& folder);
// The old player software and the package of the new one, made with Info-ZIP's zip.
void MakeOldInstall(const std::filesystem::path& install);
void MakeNewPackage(const std::filesystem::path& scratch, const std::filesystem::path& package);

}  // namespace yeroup::test
