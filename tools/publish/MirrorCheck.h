#pragma once
// The check's second half: each mirror the site lists must serve the primary host's files byte for byte, since the
// program takes the packages, their signatures and piece lists from whichever host answers.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/download/PieceList.h"

namespace yeroup::tools {

// A file as the primary host served it: its path on the hosts (from "/", in the host's bytes) and its bytes, or for
// a package the piece list made from them (a package is compared piece by piece, never held).
struct TPrimaryFile {
    std::string path;
    std::string bytes;
    std::optional<app::TPieceList> pieces;  // a package
    std::optional<std::uintmax_t> listed;   // a package: its size in the catalogue, which bounds its download
};

// Reads each file at mirror (as the program's host setting) as at the primary; tells problem of each that differs,
// is missing or cannot be read, naming the mirror and the file. work: a folder for one package at a time.
void CompareMirror(const std::string& mirror, const std::vector<TPrimaryFile>& files, const std::filesystem::path& work,
                   const std::function<void(const std::string&)>& problem);

}  // namespace yeroup::tools
