#include "tools/publish/PackageCheck.h"

#include <map>

#include "app/core/AppFiles.h"
#include "app/upgrade/PackageUpgrade.h"
#include "platform/text/CodePages.h"
#include "zip/CaseBlindNames.h"

namespace yeroup::tools {

namespace fs = std::filesystem;

namespace {

std::string EntryText(const std::string& ansiName) { return "entry \"" + platform::AnsiToUtf8(ansiName) + "\""; }

// Files of the package that land on the same file of an empty folder, and whether it has files at all.
void CheckLanding(const std::string& package, const fs::path& nowhere, std::vector<std::string>& problems) {
    zip::TZFZipArchiver archiver;
    archiver.FileName = package;
    try {
        archiver.OpenArchive(zip::kOpenReadDenyWrite);
    } catch (const std::exception&) {
        return;  // the rehearsal has said why
    }
    zip::TCaseBlindNames names;
    std::map<std::string, std::string> landed;  // where a file lands -> the entry that put it there
    const zip::TZFDirArray& items = archiver.DirManager()->Items();
    for (int i = 0; i < items.Count(); ++i) {
        const zip::TDirItem& item = items.ItemRef(i);
        if (item.IsDirectory()) continue;
        bool clash = false;
        const std::string spelled = names.Spell(nowhere.string() + "/", item.diskName, false, clash);
        const auto [first, added] = landed.emplace(spelled, item.diskName);
        if (!added)
            problems.push_back("entries \"" + first->second + "\" and \"" + item.diskName +
                               "\" land on the same file (names are matched without regard to case): the later "
                               "would replace the earlier");
    }
    if (landed.empty()) problems.push_back("the package holds no files");
    archiver.CloseArchive();
}

}  // namespace

std::vector<std::string> PackageProblems(const std::string& package, const fs::path& scratch) {
    std::vector<std::string> problems;
    const fs::path install = scratch / "player";
    // The program may keep its own files in the player software's folder (a copy run from there): entries into
    // them are refused as well.
    app::upgrade::TPackageUpgrade upgrade(app::TAppFiles(install.string(), "").PackageStore());
    zip::TZFZipArchiver archiver;
    archiver.OnProcessFileFailure = [&](zip::TZFBaseArchiver*, const std::string& name, zip::TZFProcessOperation,
                                        std::int32_t, std::int32_t, const std::string& message,
                                        zip::TZFAction& action) {
        problems.push_back(EntryText(name) + ": " + message);
        action = zip::fxaIgnore;
    };
    archiver.OnPassword = [&](zip::TZFBaseArchiver*, const std::string& name, std::string&, bool& skip) {
        problems.push_back(EntryText(name) + " is encrypted: the user would be asked for its password");
        skip = true;
    };
    const app::upgrade::TUpgradeResult result = upgrade.Rehearse(archiver, package, install.string());
    if (result.outcome != app::upgrade::TUpgradeOutcome::Done && problems.empty())
        problems.push_back(result.why.empty() ? "the package cannot be extracted" : result.why);
    CheckLanding(package, scratch / "nothing-here", problems);
    std::error_code error;
    fs::remove_all(install, error);
    return problems;
}

}  // namespace yeroup::tools
