// The registry of a Wine prefix (system.reg) is written by Wine and by whatever else runs in the prefix: any bytes
// must read without a crash, as the program reads them at start-up (the player software's key, in both views of a
// 64-bit prefix, and its folder mapped through the prefix's drives), and every string read is valid UTF-8.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "platform/registry/Registry.h"
#include "platform/registry/WineRegistryHive.h"
#include "tests/fuzz/FuzzScratch.h"

using namespace yeroup::platform;

namespace {

bool ValidUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : (lead >> 5) == 6  ? 2
                                   : (lead >> 4) == 14 ? 3
                                   : (lead >> 3) == 30 ? 4
                                                       : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

// A prefix with drive C: as Wine makes it, so that folders map to this machine.
const std::filesystem::path& Prefix() {
    static const std::filesystem::path prefix = [] {
        const auto folder = yeroup::fuzz::ScratchFolder() / "prefix";
        std::filesystem::create_directories(folder / "dosdevices");
        std::filesystem::create_directories(folder / "drive_c");
        std::error_code ec;
        std::filesystem::create_directory_symlink("../drive_c", folder / "dosdevices" / "c:", ec);
        return folder;
    }();
    return prefix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto file = Prefix() / "system.reg";
    yeroup::fuzz::WriteScratchFile(file, data, size);
    const std::string player = "\\software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params\\";

    const std::map<std::string, TRegistryKeyValues> keys =
        TWineRegistryHive(file).ReadKeys({player, "Software\\Wow6432Node\\SigmaTel\\SigmaTel MSCN Audio Player\\Params",
                                          "System\\CurrentControlSet\\Control\\Session Manager\\Environment"});
    for (const auto& [path, values] : keys)
        for (const auto& [name, value] : values)
            if (!ValidUtf8(name) || !ValidUtf8(value.text)) __builtin_trap();
    TWineRegistryHive(file).Is64Bit();
    // The same file as the program's registry: a Wine hive when it starts with Wine's header, else our INI form
    // (whose bytes are passed on as they are).
    const bool hive = IsWineHive(file);
    TRegistry registry(file);
    if (registry.KeyExists(player) && registry.OpenKey(player)) {
        for (const char* name : {"Install Folder", "Path", ""}) {
            try {
                if (hive && !ValidUtf8(registry.ReadString(name))) __builtin_trap();
                registry.ReadFolder(name);
            } catch (const ERegistryException&) {}
        }
        registry.CloseKey();
    }
    return 0;
}
