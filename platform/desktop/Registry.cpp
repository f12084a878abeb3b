#include "platform/desktop/Registry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

namespace yeroup::platform {

namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string NormaliseKey(const std::string& key) {
    std::string k = Trim(key);
    const auto first = k.find_first_not_of('\\');
    if (first == std::string::npos) return {};
    const auto last = k.find_last_not_of('\\');
    return Lower(k.substr(first, last - first + 1));
}

}  // namespace

std::filesystem::path DefaultRegistryFile() {
    const char* file = std::getenv("YEROUP_REGISTRY_FILE");
    return file && *file ? std::filesystem::path(file) : std::filesystem::path("/etc/yeroup/registry.ini");
}

TRegistry::TRegistry(std::filesystem::path file) : file_(std::move(file)) { Load(); }

void TRegistry::Load() {
    std::ifstream in(file_, std::ios::binary);
    std::string line;
    Key* section = nullptr;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            section = &keys_[NormaliseKey(line.substr(1, line.size() - 2))];
            continue;
        }
        const auto eq = line.find('=');
        if (!section || eq == std::string::npos) continue;
        Value value;
        value.text = Trim(line.substr(eq + 1));
        if (Lower(value.text).rfind("dword:", 0) == 0 || Lower(value.text).rfind("hex:", 0) == 0)
            value.isString = false;
        section->emplace(Lower(Trim(line.substr(0, eq))), std::move(value));
    }
}

const TRegistry::Key* TRegistry::FindKey(const std::string& key) const {
    const auto it = keys_.find(NormaliseKey(key));
    return it == keys_.end() ? nullptr : &it->second;
}

bool TRegistry::KeyExists(const std::string& key) const { return FindKey(key) != nullptr; }

bool TRegistry::OpenKey(const std::string& key) {
    CloseKey();
    if (!FindKey(key)) return false;
    current_ = key;
    return true;
}

void TRegistry::CloseKey() { current_.reset(); }

std::string TRegistry::ReadString(const std::string& name) const {
    if (!current_) return {};
    const Key* key = FindKey(*current_);
    const auto it = key->find(Lower(name));
    if (it == key->end()) return {};
    if (!it->second.isString) throw ERegistryException("Invalid data type for '" + name + "'");
    return it->second.text;
}

}  // namespace yeroup::platform
