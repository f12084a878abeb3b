#pragma once
// Windows paths of a Wine prefix on this machine. A prefix names its drives in dosdevices/ ("c:" links to
// ../drive_c, "z:" to /); Wine finds each name of a path without regard to case.
#include <filesystem>
#include <string>

namespace yeroup::platform {

// The user's Wine prefix: $WINEPREFIX, else ~/.wine.
std::filesystem::path DefaultWinePrefix();

// Maps a Windows path ("C:\Program Files\Player", "\\?\C:\x") to a path of this machine through the prefix's
// drive links (for C: the prefix's drive_c when it has no link). Existing names are matched without regard to
// case; ".." stops at the drive's root. An absolute path of this machine comes back as it is. Empty when the
// path names no drive of the prefix.
std::string WindowsToLocalPath(const std::filesystem::path& prefix, const std::string& windowsPath);

}  // namespace yeroup::platform
