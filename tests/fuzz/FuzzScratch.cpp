#include "tests/fuzz/FuzzScratch.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

namespace yeroup::fuzz {

namespace {

// A plain buffer, so the clean-up at exit does not depend on the order static objects go.
char gFolder[4096];

void RemoveFolder() {
    std::error_code ec;
    std::filesystem::remove_all(gFolder, ec);
}

}  // namespace

const std::filesystem::path& ScratchFolder() {
    static const std::filesystem::path folder = [] {
        const std::string pattern = (std::filesystem::temp_directory_path() / "yeroup-fuzz-XXXXXX").string();
        if (pattern.size() >= sizeof gFolder) std::abort();
        std::copy(pattern.begin(), pattern.end(), gFolder);
        if (!::mkdtemp(gFolder)) std::abort();
        std::atexit(RemoveFolder);
        return std::filesystem::path(gFolder);
    }();
    return folder;
}

void WriteScratchFile(const std::filesystem::path& file, const std::uint8_t* data, std::size_t size) {
    if (FILE* out = std::fopen(file.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, out);
        std::fclose(out);
    }
}

}  // namespace yeroup::fuzz
