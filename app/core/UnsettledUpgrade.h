#pragma once
// The message about an interrupted upgrade the program left as it is: what happened, where the files it replaced
// are kept, and what the user can do.
#include <functional>
#include <string>

#include "app/core/Message.h"

namespace yeroup::app {

// what: the first sentence (texts::kUpgradeLeftAsItIs or kUpgradeRefusedUnsettled); backup: the folder of the
// replaced files, empty when none was replaced. translate gives each piece in the user's language (the windows
// pass theirs); by default the texts stand as in the code.
std::string UnsettledUpgradeText(
    const char* what, const std::string& backup,
    const std::function<std::string(const TMessage&)>& translate = [](const TMessage& piece) { return Format(piece); });

}  // namespace yeroup::app
