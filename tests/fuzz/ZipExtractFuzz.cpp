// Opens and extracts arbitrary bytes as an archive into a scratch folder, twice: as they are, and with a byte
// appended so that no end record fits and the directory is rebuilt from the local headers, staged the way the
// upgrade stages. Besides crashes it stops on any file written outside the destination and staging folders.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "zip/Archiver.h"

namespace {

namespace fs = std::filesystem;
using namespace yeroup::zip;

class IgnoreEverything : public IZFPrompts {
public:
    TZFOverwriteAnswer ConfirmOverwrite(const std::string&) override { return TZFOverwriteAnswer::Yes; }
    TZFAction ProcessFileFailure(const std::string&) override { return fxaIgnore; }
    bool QueryPassword(const std::string&, const std::string&, std::string&) override { return false; }
};

// A plain buffer, so the clean-up at exit does not depend on the order static objects go.
char gRoot[4096];

void RemoveRoot() {
    std::error_code ec;
    fs::remove_all(gRoot, ec);
}

const fs::path& Root() {
    static const fs::path root = [] {
        const std::string pattern = (fs::temp_directory_path() / "yeroup-zip-fuzz-XXXXXX").string();
        if (pattern.size() >= sizeof gRoot) std::abort();
        std::copy(pattern.begin(), pattern.end(), gRoot);
        if (!::mkdtemp(gRoot)) std::abort();
        std::atexit(RemoveRoot);
        return fs::path(gRoot);
    }();
    return root;
}

bool Inside(const fs::path& p, const fs::path& folder) {
    const fs::path rel = fs::relative(p, folder);
    return !rel.empty() && *rel.begin() != "..";
}

// Everything under the root must be the archive or lie inside the destination or staging folder.
void CheckNothingEscaped(const fs::path& archive, const fs::path& out, const fs::path& stage) {
    for (auto it = fs::recursive_directory_iterator(Root()); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path p = it->path();
        if (p == archive || p == Root() / "a" || p == Root() / "a" / "b") continue;
        if (Inside(p, out) || Inside(p, stage)) continue;
        std::fprintf(stderr, "written outside the destination: %s\n", p.c_str());
        std::abort();
    }
}

void ExtractOnce(const std::uint8_t* data, std::size_t size, bool appendByte, bool staged) {
    const fs::path archive = Root() / "input.zip";
    const fs::path out = Root() / "a" / "b" / "out";
    const fs::path stage = Root() / "a" / "b" / "stage";
    {
        std::ofstream f(archive, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (appendByte) f.put('\0');
    }
    IgnoreEverything prompts;
    {
        TZFZipArchiver archiver;
        archiver.Name = "Archiver";
        archiver.SetPrompts(&prompts);
        archiver.Options.FlushBuffers = false;  // durability is not under test here
        archiver.FileName = archive.string();
        archiver.BaseDir = out.string();
        if (staged) archiver.StagingDir = stage.string();
        try {
            archiver.OpenArchive(kOpenReadDenyWrite);
            archiver.ExtractFiles("*.*", kSearchAllAttributes, "");
        } catch (const std::exception&) {
            // Open failures and read errors of a damaged archive are expected outcomes.
        }
        archiver.CloseArchive();
    }
    CheckNothingEscaped(archive, out, stage);
    std::error_code ec;
    for (const fs::path& folder : {out, stage})
        for (auto it = fs::recursive_directory_iterator(folder, ec); it != fs::recursive_directory_iterator(); ++it)
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(Root() / "a", ec);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ExtractOnce(data, size, false, false);
    ExtractOnce(data, size, true, true);
    return 0;
}
