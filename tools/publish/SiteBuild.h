#pragma once
// yeroup-publish build: the whole update site from its source, at the paths the program asks for. The catalogue
// is written in code page 936 and read back as the program reads it; every package is rehearsed as the program
// would extract it. The site is made beside SITE and swapped in whole, so a host serving SITE never serves half of
// it; nothing is written when anything is wrong.
#include <filesystem>
#include <string>
#include <vector>

namespace yeroup::tools {

// Every fault found, one line each; empty when the site was built. mirrors (hosts serving the same files, in the
// order to try them, each one MirrorHostFault accepts) go into the site's mirror list; none, no list.
std::vector<std::string> BuildSite(const std::filesystem::path& source, const std::filesystem::path& site,
                                   const std::vector<std::string>& mirrors = {});

}  // namespace yeroup::tools
