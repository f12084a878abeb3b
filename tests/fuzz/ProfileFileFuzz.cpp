// Catalogue and selection files come from the update host and from earlier runs: any bytes must read without
// a crash, and a written value must read back.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/profile/IniFile.h"
#include "tests/fuzz/FuzzScratch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto file = yeroup::fuzz::ScratchFolder() / "user.ini";
    yeroup::fuzz::WriteScratchFile(file, data, size);
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
