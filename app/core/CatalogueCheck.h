#pragma once
// Whether a fetched body reads as a firmware catalogue. A Wi-Fi login page or an error page served with
// status 200 must not replace the catalogue copy of an earlier run.
#include <string_view>

namespace yeroup::app {

// True when body, read as the program reads its catalogue file (INI text in the ANSI code page), names at
// least one model (a section) with at least one firmware (a key in the first section of that name).
bool ReadsAsCatalogue(std::string_view body);

}  // namespace yeroup::app
