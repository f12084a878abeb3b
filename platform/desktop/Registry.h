#pragma once
// Registry stand-in: the local-machine hive as an INI-style UTF-8 text file. A section names a key path
// (compared without regard to case and to leading or trailing backslashes), its lines are values:
//   [software\SigmaTel\SigmaTel MSCN Audio Player\Params]
//   Install Folder=/opt/sigmatel
//   Flags=dword:00000001        <- a value of another type than string
// The file is $YEROUP_REGISTRY_FILE, else /etc/yeroup/registry.ini; a missing file is an empty hive.
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace yeroup::platform {

class ERegistryException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::filesystem::path DefaultRegistryFile();

class TRegistry {
public:
    explicit TRegistry(std::filesystem::path file = DefaultRegistryFile());

    bool KeyExists(const std::string& key) const;
    // Opens an existing key; false when it does not exist (keys are never created here).
    bool OpenKey(const std::string& key);
    void CloseKey();
    // A missing value reads as the empty string; a value of another type raises ERegistryException.
    std::string ReadString(const std::string& name) const;

private:
    struct Value {
        bool isString = true;
        std::string text;
    };
    using Key = std::map<std::string, Value>;  // by lower-cased value name

    void Load();
    const Key* FindKey(const std::string& key) const;

    std::filesystem::path file_;
    std::map<std::string, Key> keys_;  // by normalised key path
    std::optional<std::string> current_;
};

}  // namespace yeroup::platform
