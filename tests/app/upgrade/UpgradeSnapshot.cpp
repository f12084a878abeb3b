#include "tests/app/upgrade/UpgradeSnapshot.h"

#include <sys/stat.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/zip/ZipTestSupport.h"

namespace yeroup::test {

namespace fs = std::filesystem;

TSnapshot Snapshot(const fs::path& folder) {
    TSnapshot snapshot;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        struct stat st {};
        ::lstat(entry.path().c_str(), &st);
        if (entry.is_directory())
            snapshot[name + "/"] = "";
        else
            snapshot[name] = std::to_string(st.st_mode & 0777) + ":" + ReadFile(entry.path().string());
    }
    return snapshot;
}

void MakeOldInstall(const fs::path& install) {
    fs::remove_all(install);
    WriteFile((install / "stupdaterapp.exe").string(), "old updater");
    WriteFile((install / "firmware.sb").string(), "old firmware " + TextBytes(3000, 1));
    WriteFile((install / "Resource/lang.txt").string(), "old lang");
    WriteFile((install / "settings.ini").string(), "kept by every upgrade");
    fs::permissions(install / "stupdaterapp.exe", fs::perms(0755));
}

void MakeNewPackage(const fs::path& scratch, const fs::path& package) {
    const fs::path tree = scratch / "new";
    fs::remove_all(tree);
    WriteFile((tree / "stupdaterapp.exe").string(), "#!/bin/sh\nexit 0\n");
    WriteFile((tree / "firmware.sb").string(), "new firmware " + TextBytes(40000, 2));
    WriteFile((tree / "Resource/lang.txt").string(), "new lang");
    for (unsigned i = 0; i < 12; ++i)
        WriteFile((tree / ("Resource/Skins/skin" + std::to_string(i) + ".bmp")).string(), TextBytes(700, 3 + i));
    fs::create_directories(tree / "Logs");
    fs::permissions(tree / "stupdaterapp.exe", fs::perms(0755));
    fs::remove(package);
    fs::create_directories(package.parent_path());
    const std::string command = "cd '" + tree.string() + "' && zip -q -r -X '" + package.string() + "' .";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("zip failed");
}

}  // namespace yeroup::test
