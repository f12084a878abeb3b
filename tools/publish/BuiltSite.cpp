#include "tools/publish/BuiltSite.h"

#include <set>

#include "app/core/AppFiles.h"
#include "app/download/MirrorList.h"
#include "app/download/PieceList.h"
#include "platform/files/MappedFile.h"
#include "platform/profile/IniFile.h"
#include "platform/text/CodePages.h"
#include "tools/publish/CatalogueValue.h"
#include "tools/publish/PackageCheck.h"
#include "tools/publish/TempFolder.h"

namespace yeroup::tools {

namespace fs = std::filesystem;
using app::TAppFiles;

namespace {

// A package as messages name it: its path in the site, in UTF-8.
std::string SitePath(const fs::path& site, const fs::path& package) {
    return platform::AnsiToUtf8(package.lexically_relative(site).string());
}

// The piece list an earlier sign wrote beside the package, when there is one: sign writes it afresh, but one that
// no longer matches tells of a package changed since that signature.
void CheckPieceList(const std::string& name, const fs::path& package, std::vector<std::string>& problems) {
    const std::string file = TAppFiles::PieceListOf(package.string());
    std::error_code error;
    if (!fs::exists(file, error)) return;
    try {
        const app::TPieceList list = app::ReadPieceList(platform::TMappedFile(file).Bytes());
        if (!(app::MakePieceList(package.string(), list.PieceSize) == list))
            problems.push_back(name + ": does not match its piece list: it changed since it was signed");
    } catch (const std::exception& e) {
        problems.push_back(TAppFiles::PieceListOf(name) + ": " + e.what());
    }
}

void CheckListed(const fs::path& site, const fs::path& package, const std::string& value, const fs::path& scratch,
                 std::vector<std::string>& problems) {
    const std::string name = SitePath(site, package);
    std::error_code error;
    const std::uintmax_t size = fs::file_size(package, error);
    if (error) {
        problems.push_back(name + ": listed in the catalogue but missing");
        return;
    }
    const std::optional<std::uintmax_t> listed = CatalogueSize(value);
    if (!listed)
        problems.push_back(name + ": the catalogue gives no size for it");
    else if (*listed != size)
        problems.push_back(name + ": holds " + std::to_string(size) + " bytes where the catalogue says " +
                           std::to_string(*listed) + ": it changed since the build");
    for (const std::string& problem : PackageProblems(package.string(), scratch))
        problems.push_back(name + ": " + problem);
    CheckPieceList(name, package, problems);
}

// The mirror list as the program will read it, when the site has one.
void CheckMirrorList(const fs::path& site, std::vector<std::string>& problems) {
    const fs::path list = site.string() + TAppFiles::MirrorListPath();
    std::error_code error;
    if (!fs::exists(list, error)) return;
    try {
        app::ReadMirrorList(platform::TMappedFile(list.string()).Bytes());
    } catch (const std::exception& e) {
        problems.push_back(SitePath(site, list) + ": " + e.what());
    }
}

}  // namespace

std::vector<fs::path> CheckBuiltSite(const fs::path& site, std::vector<std::string>& problems) {
    const fs::path catalogue = site.string() + TAppFiles::CataloguePath();
    std::error_code error;
    if (!fs::is_regular_file(catalogue, error)) {
        problems.push_back("no catalogue at " + catalogue.string() + ": build the site first");
        return {};
    }
    const platform::TIniFile ini(catalogue);
    const TTempFolder scratch("yeroup-publish-");
    std::vector<fs::path> listed;
    std::vector<std::string> models;
    ini.ReadSections(models);
    for (const std::string& m : models) {
        std::vector<std::string> firmware;
        ini.ReadSection(m, firmware);
        for (const std::string& f : firmware) {
            listed.push_back(fs::path(site.string() + TAppFiles::PackagePath(m, f)).lexically_normal());
            CheckListed(site, listed.back(), ini.ReadString(m, f, ""), scratch.Path(), problems);
        }
    }
    std::set<fs::path> known(listed.begin(), listed.end());
    for (const fs::path& package : listed) known.insert(TAppFiles::PieceListOf(package.string()));
    for (fs::recursive_directory_iterator it(catalogue.parent_path() / "Firmware", error), end; !error && it != end;
         it.increment(error)) {
        const fs::path extension = it->path().extension();
        if (it->is_regular_file() && (extension == ".zip" || extension == ".pieces") &&
            !known.count(it->path().lexically_normal()))
            problems.push_back(SitePath(site, it->path()) + ": not listed in the catalogue");
    }
    CheckMirrorList(site, problems);
    return listed;
}

}  // namespace yeroup::tools
