#pragma once
// Windows finds files without regard to case, and so does the player software under Wine. An entry therefore
// lands under the spelling its destination already has for that name, or that an earlier entry of the same run
// gave it: it replaces that file instead of standing beside it unseen.
#include <string>
#include <unordered_map>

namespace yeroup::zip {

class TCaseBlindNames {
public:
    // name: relative to folder, "/" between folders. Each part takes the spelling of a file or folder of the
    // same name (letters A to Z compared without case) that is in folder or was spelled by an earlier call;
    // a part without one keeps its own and becomes the spelling of later calls.
    std::string Spell(const std::string& folder, const std::string& name);

private:
    // The names of one folder, by their case-folded form.
    using TFolderNames = std::unordered_map<std::string, std::string>;
    TFolderNames& NamesOf(const std::string& relativeFolder);

    std::string base_;
    std::unordered_map<std::string, TFolderNames> folders_;  // by the folder's spelling, relative to base_
};

}  // namespace yeroup::zip
