#include "zip/CaseBlindNames.h"

#include <algorithm>
#include <filesystem>

#include "platform/text/AsciiText.h"

namespace yeroup::zip {

namespace {

std::string Folded(std::string name) {
    for (char& c : name) c = platform::AsciiUpper(c);
    return name;
}

}  // namespace

std::string WindowsPartName(const std::string& part) {
    const std::size_t last = part.find_last_not_of(". ");
    return last == std::string::npos ? part : part.substr(0, last + 1);
}

TCaseBlindNames::TFolderNames& TCaseBlindNames::NamesOf(const std::string& relativeFolder) {
    const auto found = folders_.find(relativeFolder);
    if (found != folders_.end()) return found->second;
    TFolderNames& names = folders_[relativeFolder];
    std::error_code ec;
    for (std::filesystem::directory_iterator it(base_ + relativeFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // Names that differ only in case (possible here, never on Windows): each entry keeps its own spelling.
        const auto [known, added] = names.emplace(Folded(name), TName{name});
        if (!added) known->second.spelling.clear();
    }
    return names;
}

std::string TCaseBlindNames::Spell(const std::string& folder, const std::string& name, bool folderEntry, bool& clash) {
    if (folder != base_) {
        base_ = folder;
        folders_.clear();
    }
    clash = false;
    std::string spelled;
    std::size_t start = 0;
    while (start < name.size()) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        const std::string part = WindowsPartName(name.substr(start, end - start));
        if (part.empty() || part == ".") {
            spelled += part;
        } else {
            TName& known = NamesOf(spelled).emplace(Folded(part), TName{part}).first->second;
            spelled += known.spelling.empty() ? part : known.spelling;
            const TKind kind = end < name.size() || folderEntry ? TKind::Folder : TKind::File;
            clash = clash || (known.kind != TKind::Found && known.kind != kind);
            known.kind = kind;
        }
        if (end < name.size()) spelled += '/';
        start = end + 1;
    }
    return spelled;
}

}  // namespace yeroup::zip
