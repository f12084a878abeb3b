#pragma once
// The message about an interrupted upgrade the program left as it is: what happened, where the files it replaced
// are kept, and what the user can do.
#include <string>

namespace yeroup::app {

// what: the first sentence (texts::kUpgradeLeftAsItIs or kUpgradeRefusedUnsettled); backup: the folder of the
// replaced files, empty when none was replaced.
std::string UnsettledUpgradeText(const char* what, const std::string& backup);

}  // namespace yeroup::app
