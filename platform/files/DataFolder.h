#pragma once
// The user's folders: home, the per-user data folder of the XDG base directory rules, and whether a folder
// may be written.
#include <filesystem>
#include <string>

namespace yeroup::platform {

// $HOME, else the home folder of the user's account.
std::filesystem::path HomeFolder();

// $XDG_DATA_HOME when it is an absolute path, else ~/.local/share (a relative or empty value is ignored).
std::filesystem::path XdgDataHome();

// True when this process may create files in folder.
bool FolderWritable(const std::string& folder);

}  // namespace yeroup::platform
