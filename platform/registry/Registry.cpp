#include "platform/registry/Registry.h"

#include <cstdlib>

#include "platform/text/AsciiText.h"
#include "platform/wine/WinePaths.h"

namespace yeroup::platform {

namespace {

const char* const kEnvironmentKey = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char* const kWindowsKey = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kWindowsNtKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";

// Replaces each %NAME% that names a variable (without regard to case); others stay as they are.
std::string ExpandVariables(const std::string& text, const std::map<std::string, std::string>& variables) {
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('%', at);
        const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
        if (close == std::string::npos) {
            out += text.substr(at);
            break;
        }
        out += text.substr(at, open - at);
        const auto it = variables.find(AsciiLowerCase(text.substr(open + 1, close - open - 1)));
        if (it != variables.end()) {
            out += it->second;
            at = close + 1;
        } else {
            out += text.substr(open, close - open);
            at = close;
        }
    }
    return out;
}

}  // namespace

std::filesystem::path DefaultRegistryFile() {
    const char* file = std::getenv("YEROUP_REGISTRY_FILE");
    if (file && *file) return file;
    std::filesystem::path system = "/etc/yeroup/registry.ini";
    std::error_code error;
    if (std::filesystem::exists(system, error)) return system;
    return DefaultWinePrefix() / "system.reg";
}

std::filesystem::path WinePrefixOf(const std::filesystem::path& registryFile) {
    return IsWineHive(registryFile) ? std::filesystem::absolute(registryFile).parent_path() : std::filesystem::path();
}

TRegistry::TRegistry(std::filesystem::path file) : file_(std::move(file)) {
    if (IsWineHive(file_))
        wine_.emplace(file_);
    else
        LoadIni();
}

void TRegistry::LoadIni() {
    TRegistryLines lines(file_, false);
    std::string line;
    bool overlong = false;
    TRegistryKeyValues* section = nullptr;
    while (lines.Next(line, overlong)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            section = overlong || line.back() != ']'
                          ? nullptr
                          : &iniKeys_[NormaliseKeyPath(Trim(line.substr(1, line.size() - 2)))];
            continue;
        }
        const auto eq = line.find('=');
        if (!section || overlong || eq == std::string::npos) continue;
        TRegistryValue value;
        value.text = Trim(line.substr(eq + 1));
        const std::string type = AsciiLowerCase(value.text);
        value.isString = type.rfind("dword:", 0) != 0 && type.rfind("hex:", 0) != 0;
        section->emplace(AsciiLowerCase(Trim(line.substr(0, eq))), std::move(value));
    }
}

std::optional<TRegistry::OpenedKey> TRegistry::FindKey(const std::string& key) const {
    if (!wine_) {
        const auto it = iniKeys_.find(NormaliseKeyPath(key));
        if (it == iniKeys_.end()) return std::nullopt;
        return OpenedKey{it->second, false};
    }
    std::vector<std::string> paths{key};
    const std::string normalised = NormaliseKeyPath(key);
    const std::string software = "software\\";
    if (normalised.rfind(software, 0) == 0 && wine_->Is64Bit())
        paths.insert(paths.begin(), software + "wow6432node\\" + normalised.substr(software.size()));
    const auto found = wine_->ReadKeys(paths);
    for (const std::string& path : paths) {
        const auto it = found.find(path);
        if (it != found.end()) return OpenedKey{it->second, path != key};
    }
    return std::nullopt;
}

bool TRegistry::KeyExists(const std::string& key) const { return FindKey(key).has_value(); }

bool TRegistry::OpenKey(const std::string& key) {
    current_ = FindKey(key);
    return current_.has_value();
}

void TRegistry::CloseKey() { current_.reset(); }

std::string TRegistry::ReadString(const std::string& name) const {
    if (!current_) return {};
    const auto it = current_->values.find(AsciiLowerCase(name));
    if (it == current_->values.end()) return {};
    if (!it->second.isString) throw ERegistryException("Invalid data type for '" + name + "'");
    return it->second.text;
}

std::string TRegistry::ReadFolder(const std::string& name) const {
    std::string folder = ReadString(name);
    if (!wine_ || folder.empty()) return folder;
    if (current_->values.at(AsciiLowerCase(name)).isExpandable) folder = ExpandFromHive(folder, current_->view32);
    return WindowsToLocalPath(std::filesystem::absolute(file_).parent_path(), folder);
}

std::string TRegistry::ExpandFromHive(const std::string& text, bool view32) const {
    const auto keys = wine_->ReadKeys({kEnvironmentKey, kWindowsKey, kWindowsNtKey});
    const auto value = [&](const char* key, const char* valueName, const std::string& otherwise) {
        const auto k = keys.find(key);
        if (k == keys.end()) return otherwise;
        const auto v = k->second.find(AsciiLowerCase(valueName));
        return v == k->second.end() || !v->second.isString ? otherwise : v->second.text;
    };
    // What Windows sets for every program; a 32-bit program of a 64-bit system gets the "(x86)" folders.
    std::map<std::string, std::string> base;
    base["systemroot"] = value(kWindowsNtKey, "SystemRoot", "C:\\windows");
    base["programw6432"] = value(kWindowsKey, "ProgramFilesDir", "C:\\Program Files");
    base["programfiles(x86)"] = value(kWindowsKey, "ProgramFilesDir (x86)", base["programw6432"]);
    base["programfiles"] = view32 ? base["programfiles(x86)"] : base["programw6432"];
    base["commonprogramw6432"] = value(kWindowsKey, "CommonFilesDir", base["programw6432"] + "\\Common Files");
    base["commonprogramfiles(x86)"] = value(kWindowsKey, "CommonFilesDir (x86)", base["commonprogramw6432"]);
    base["commonprogramfiles"] = view32 ? base["commonprogramfiles(x86)"] : base["commonprogramw6432"];
    // The system environment's own values may refer to those (windir=%SystemRoot%).
    std::map<std::string, std::string> variables = base;
    if (const auto environment = keys.find(kEnvironmentKey); environment != keys.end())
        for (const auto& [variable, v] : environment->second)
            if (v.isString && !base.count(variable)) variables[variable] = ExpandVariables(v.text, base);
    return ExpandVariables(text, variables);
}

}  // namespace yeroup::platform
