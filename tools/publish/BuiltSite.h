#pragma once
// A built site as `build` left it, checked again before it is signed: a signature vouches for what was checked,
// so a package changed or dropped in after the build is found here, not by the players.
#include <filesystem>
#include <string>
#include <vector>

namespace yeroup::tools {

// The packages the site's catalogue lists, in its order. Each must be there with the size the catalogue gives and
// pass the rehearsal `build` made (PackageProblems); a package the catalogue does not list is a fault too, as is a
// piece list (left by an earlier sign) that does not read or no longer matches its package, one of no listed
// package, and a mirror list that does not read. One line per fault goes to problems, naming the file.
std::vector<std::filesystem::path> CheckBuiltSite(const std::filesystem::path& site,
                                                  std::vector<std::string>& problems);

}  // namespace yeroup::tools
