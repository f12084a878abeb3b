#pragma once
// Registry stand-in: the local-machine hive read from a file in either of two forms.
// - Wine's own hive, the system.reg of a Wine prefix (see WineRegistryHive.h), told by its header line. In a
//   64-bit prefix a key under "Software" is looked for first in the view of 32-bit programs ("Wow6432Node"),
//   where the player software's installer writes it.
// - Our INI-style UTF-8 form. A section names a key path (compared without regard to case and to leading or
//   trailing backslashes), its lines are values:
//     [software\SigmaTel\SigmaTel MSCN Audio Player\Params]
//     Install Folder=/opt/sigmatel
//     Flags=dword:00000001        <- a value of another type than string
// A missing file is an empty hive.
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/registry/RegistryLines.h"
#include "platform/registry/WineRegistryHive.h"

namespace yeroup::platform {

// The registry file: $YEROUP_REGISTRY_FILE when set, else /etc/yeroup/registry.ini when it exists, else the
// system.reg of the user's Wine prefix.
std::filesystem::path DefaultRegistryFile();

// The Wine prefix a registry file belongs to: its folder when the file is a Wine hive, else empty.
std::filesystem::path WinePrefixOf(const std::filesystem::path& registryFile);

class TRegistry {
public:
    explicit TRegistry(std::filesystem::path file = DefaultRegistryFile());

    bool KeyExists(const std::string& key) const;
    // Opens an existing key; false when it does not exist (keys are never created here).
    bool OpenKey(const std::string& key);
    void CloseKey();
    // A missing value reads as the empty string; a value of another type raises ERegistryException.
    std::string ReadString(const std::string& name) const;
    // A string value naming a folder, as a path of this machine: from a Wine hive the Windows folder, its
    // environment references expanded, maps through the prefix's drives (empty when it names no drive there).
    std::string ReadFolder(const std::string& name) const;

private:
    struct OpenedKey {
        TRegistryKeyValues values;
        bool view32 = false;  // found in the 32-bit programs' view of a 64-bit Wine prefix
    };

    std::optional<OpenedKey> FindKey(const std::string& key) const;
    void LoadIni();
    std::string ExpandFromHive(const std::string& text, bool view32) const;

    std::filesystem::path file_;
    std::optional<TWineRegistryHive> wine_;
    std::map<std::string, TRegistryKeyValues> iniKeys_;  // by normalised key path
    std::optional<OpenedKey> current_;
};

}  // namespace yeroup::platform
