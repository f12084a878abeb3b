#pragma once
// Windows finds files without regard to case, and so does the player software under Wine. An entry therefore
// lands under the spelling its destination already has for that name, or that an earlier entry of the same run
// gave it: it replaces that file instead of standing beside it unseen. Windows also drops the trailing dots and
// spaces of every part of a name ("player.dll." and "player.dll " are "player.dll"), and so do they here.
#include <string>
#include <unordered_map>

namespace yeroup::zip {

// A part of a name (between "/") as Windows stores it: without its trailing dots and spaces. A part of nothing
// else stays as it is (IsSafeRelativeName refuses those but ".").
std::string WindowsPartName(const std::string& part);

class TCaseBlindNames {
public:
    // name: relative to folder, "/" between folders; it names a folder when folderEntry is set, else a file.
    // Each part, as WindowsPartName gives it, takes the spelling of a file or folder of the same name (letters A to Z
    // compared without case) that is in folder or was spelled by an earlier call; a part without one keeps its own and
    // becomes the spelling of later calls. clash is set when the name makes a folder of what an earlier call named a
    // file, or the other way round.
    std::string Spell(const std::string& folder, const std::string& name, bool folderEntry, bool& clash);

private:
    // What the run made of a name; what was there before it counts as neither.
    enum class TKind : char { Found, File, Folder };
    struct TName {
        std::string spelling;  // empty: several names in the folder match, each keeps its own
        TKind kind = TKind::Found;
    };
    // The names of one folder, by their case-folded form.
    using TFolderNames = std::unordered_map<std::string, TName>;
    TFolderNames& NamesOf(const std::string& relativeFolder);

    std::string base_;
    std::unordered_map<std::string, TFolderNames> folders_;  // by the folder's spelling, relative to base_
};

}  // namespace yeroup::zip
