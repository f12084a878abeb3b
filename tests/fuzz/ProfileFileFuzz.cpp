// Catalogue and selection files come from the update host and from earlier runs: any bytes must read without
// a crash, and a written value must read back.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/profile/IniFile.h"

namespace {

// A plain buffer, so the clean-up at exit does not depend on the order static objects go.
char gFolder[4096];

void RemoveFolder() {
    std::error_code ec;
    std::filesystem::remove_all(gFolder, ec);
}

std::filesystem::path ScratchFile() {
    static const std::filesystem::path file = [] {
        const std::string pattern = (std::filesystem::temp_directory_path() / "yeroup-ini-fuzz-XXXXXX").string();
        if (pattern.size() >= sizeof gFolder) std::abort();
        std::copy(pattern.begin(), pattern.end(), gFolder);
        if (!::mkdtemp(gFolder)) std::abort();
        std::atexit(RemoveFolder);
        return std::filesystem::path(gFolder) / "user.ini";
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = ScratchFile();
    if (FILE* out = std::fopen(file.c_str(), "wb")) {
        std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
    yeroup::platform::TIniFile ini(file);
    std::vector<std::string> sections, keys;
    ini.ReadSections(sections);
    for (const std::string& section : sections) {
        ini.ReadSection(section, keys);
        for (const std::string& key : keys) ini.ReadInteger(section, key, 0);
    }
    ini.WriteInteger("Main02", "ComboBox1", 7);
    if (ini.ReadInteger("Main02", "ComboBox1", -1) != 7) __builtin_trap();
    return 0;
}
