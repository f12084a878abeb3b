#pragma once
// Wine's text form of a registry hive, as in the system.reg file of a Wine prefix:
//   WINE REGISTRY Version 2
//   #arch=win64
//   [Software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params] 1700000000
//   "Install Folder"="C:\\Program Files\\SigmaTel\\\x64ad\x653e\x5668"
//   "Path"=str(2):"%ProgramFiles%\\SigmaTel"
//   "Flags"=dword:00000001
// Keys are relative to the hive's root. Names and strings carry Wine's escapes: "\\" and the quote, "\x" with up to
// four hex digits for a UTF-16 unit outside ASCII, octal and C escapes; bytes outside ASCII that are not escaped
// are UTF-8. Long binary values go on over lines ending in "\".
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace yeroup::platform {

struct TRegistryValue {
    bool isString = false;      // REG_SZ or REG_EXPAND_SZ, in either of Wine's forms (quoted or hex)
    bool isExpandable = false;  // REG_EXPAND_SZ: may hold %NAME% references to the environment
    std::string text;           // the string in UTF-8, without its terminating zero; empty for other types
};

// A key's values by lower-cased name ("" is the key's default value, written "@").
using TRegistryKeyValues = std::map<std::string, TRegistryValue>;

// The key path as compared: without case (ASCII), without leading and trailing backslashes.
std::string NormaliseKeyPath(const std::string& key);

// True when the file begins with Wine's header line.
bool IsWineHive(const std::filesystem::path& file);

// Decodes one of Wine's escaped names or strings (the text between the quotes or brackets) to UTF-8.
std::string UnescapeWineString(const std::string& escaped);

class TWineRegistryHive {
public:
    explicit TWineRegistryHive(std::filesystem::path file) : file_(std::move(file)) {}

    // One pass over the file: the values of each asked key the file holds, by the asked path. Raises
    // ERegistryException when the file is larger than kMaxHiveBytes; a line longer than kMaxHiveLineBytes is
    // left out (a value line loses that value, a key line ends the key before it).
    std::map<std::string, TRegistryKeyValues> ReadKeys(const std::vector<std::string>& keys) const;

    // True for a hive of a 64-bit prefix ("#arch=win64"), where 32-bit programs see "Software\Wow6432Node".
    bool Is64Bit() const;

private:
    std::filesystem::path file_;
};

}  // namespace yeroup::platform
