#pragma once
// Whether a package would reach the player software as it is: the program's own upgrade is rehearsed on it, so
// what the program would refuse (a damaged archive or entry, an unsafe name, a name that is both a file and a
// folder, an entry into the program's own folders, an entry it cannot decode) is refused here alike. On top,
// what the program takes but surely is a mistake: two entries landing on one file (names are matched without
// regard to case, and the later would replace the earlier), and a package without files.
#include <filesystem>
#include <string>
#include <vector>

namespace yeroup::tools {

// One line per fault, naming the entry where there is one. scratch: a folder the package may be extracted
// into; what is extracted there is removed again.
std::vector<std::string> PackageProblems(const std::string& package, const std::filesystem::path& scratch);

}  // namespace yeroup::tools
