#include "tools/publish/SiteBuild.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>

#include "app/core/AppFiles.h"
#include "app/core/CatalogueCheck.h"
#include "app/download/MirrorList.h"
#include "platform/files/Files.h"
#include "platform/profile/IniFile.h"
#include "platform/text/AsciiText.h"
#include "platform/text/CodePages.h"
#include "tools/publish/CatalogueValue.h"
#include "tools/publish/PackageCheck.h"
#include "tools/publish/PageTemplate.h"
#include "tools/publish/SiteSource.h"
#include "tools/publish/TempFolder.h"

namespace yeroup::tools {

namespace fs = std::filesystem;
using app::TAppFiles;

namespace {

constexpr const char* kTop = "YEROMP3LiveUpdate";

// A model or firmware with its names in the ANSI code page, as the catalogue and the program's URLs hold them.
struct TNamed {
    const TModelSource* model;
    const TFirmwareSource* firmware;
    std::string m, f;  // ANSI
    std::string what;  // how messages name it
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Faults of a name the catalogue, the URLs and the local file names take byte for byte.
void CheckName(const std::string& what, const std::string& name, bool section, std::vector<std::string>& problems) {
    const auto fault = [&](const std::string& why) { problems.push_back(what + ": the name " + why); };
    if (name.empty()) return fault("is empty");
    if (platform::Trim(name) != name) fault("begins or ends with blanks, which the catalogue drops");
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            fault("holds a control character");
            break;
        }
    }
    for (const char c : std::string("/\\?#%")) {
        if (name.find(c) != std::string::npos)
            fault(std::string("holds \"") + c + "\", which cannot stand in the program's URLs and file names");
    }
    if (name == "." || name == "..") fault("cannot stand in the program's URLs and file names");
    if (section && name.find(']') != std::string::npos) fault("holds \"]\", which ends a catalogue section's name");
    if (!section && name.find('=') != std::string::npos) fault("holds \"=\", which ends a catalogue key");
    if (!section && (name[0] == ';' || name[0] == '['))
        fault("begins with \"" + name.substr(0, 1) + "\", which makes a catalogue line a comment or a section");
    if (!platform::Utf8ToAnsiExactly(name))
        fault("cannot be written in code page 936, in which the program reads the catalogue");
}

std::string Ansi(const std::string& utf8) { return platform::Utf8ToAnsiExactly(utf8).value_or(std::string()); }

std::string ReadWhole(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteWhole(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw fs::filesystem_error("cannot write", file, std::error_code(errno, std::generic_category()));
}

std::string Listed(const std::vector<std::string>& ansiNames) {
    std::string text;
    for (const std::string& name : ansiNames) text += (text.empty() ? "" : ", ") + Quoted(platform::AnsiToUtf8(name));
    return text.empty() ? "none" : text;
}

// The catalogue as the program will read it must list what was written, in the same order, with the same values.
void ReadBack(const fs::path& file, const std::vector<TNamed>& named, const std::vector<std::string>& models,
              std::vector<std::string>& problems) {
    const std::string text = ReadWhole(file);
    const platform::TIniFile ini(file);
    std::vector<std::string> sections;
    ini.ReadSections(sections);
    if (sections != models || !app::ReadsAsCatalogue(text)) {
        problems.push_back("the catalogue would not read back as written: the program would list the models " +
                           Listed(sections) + " (names are matched without regard to case, and the list holds " +
                           std::to_string(platform::TIniFile::kListBufferSize) + " bytes)");
        return;
    }
    for (const std::string& m : models) {
        std::vector<std::string> written, keys;
        for (const TNamed& n : named)
            if (n.m == m) written.push_back(n.f);
        ini.ReadSection(m, keys);
        if (keys != written)
            problems.push_back("the catalogue would not read back as written: the program would list the firmware " +
                               Listed(keys) + " for model " + Quoted(platform::AnsiToUtf8(m)));
    }
}

// The models and firmware with their names checked and in the ANSI code page; models gets the ANSI model names.
std::vector<TNamed> NameEverything(const TSiteSource& site, std::vector<std::string>& models,
                                   std::vector<std::string>& problems) {
    std::vector<TNamed> named;
    std::map<std::string, std::string> storeNames;  // the program's local package file, folded -> who takes it
    for (const TModelSource& model : site.models) {
        const std::string modelWhat = "model " + Quoted(model.name);
        CheckName(modelWhat, model.name, true, problems);
        models.push_back(Ansi(model.name));
        for (const TFirmwareSource& firmware : model.firmware) {
            const std::string what = "firmware " + Quoted(firmware.version) + " of " + modelWhat;
            CheckName(what, firmware.version, false, problems);
            named.push_back({&model, &firmware, models.back(), Ansi(firmware.version), what});
            // Windows and the program's package store do not tell "A_B"+"C" from "A"+"B_C", nor case.
            const std::string store = platform::AsciiLowerCase(
                fs::path(TAppFiles("/", "").PackageFile(named.back().m, named.back().f)).filename().string());
            const auto [taken, added] = storeNames.emplace(store, what);
            if (!added)
                problems.push_back(what + " and " + taken->second + " share the program's local package file " +
                                   Quoted(store));
        }
    }
    return named;
}

// The catalogue's comment lines, then an empty line when there are any.
std::string CatalogueHead(const std::vector<std::string>& comments, std::vector<std::string>& problems) {
    std::string head;
    for (const std::string& comment : comments) {
        const std::optional<std::string> ansi = platform::Utf8ToAnsiExactly(comment);
        if (!ansi)
            problems.push_back("the catalogue comment " + Quoted(comment) + " cannot be written in code page 936");
        head += "; " + ansi.value_or("") + "\r\n";
    }
    return head.empty() ? head : head + "\r\n";
}

// The firmware's page: its template (the firmware's own, the site's, or the built-in one) filled in.
std::string FirmwarePage(const TNamed& n, const TSiteSource& site, const std::string& siteTemplate, std::uintmax_t size,
                         std::vector<std::string>& problems) {
    const TFirmwareSource& firmware = *n.firmware;
    std::string changes;
    for (const std::string& change : firmware.changes) changes += "<li>" + HtmlEscape(change) + "</li>\n";
    const std::map<std::string, std::string> values{{"model", HtmlEscape(n.model->name)},
                                                    {"title", HtmlEscape(n.model->title)},
                                                    {"version", HtmlEscape(firmware.version)},
                                                    {"date", HtmlEscape(firmware.date)},
                                                    {"summary", HtmlEscape(firmware.summary)},
                                                    {"changes", changes},
                                                    {"size", std::to_string(size)},
                                                    {"size_kb", std::to_string(size / 1024)},
                                                    {"charset", firmware.pageInCodePage936 ? "gbk" : "utf-8"}};
    const fs::path& templateFile = firmware.pageTemplate.empty() ? site.pageTemplate : firmware.pageTemplate;
    return FillTemplate(firmware.pageTemplate.empty() ? siteTemplate : ReadWhole(firmware.pageTemplate), values,
                        templateFile.empty() ? "the built-in page" : templateFile.string(), problems);
}

// One firmware into the stage: its catalogue line (appended), its package (checked as the program would
// extract it) and its page.
void StageFirmware(const TNamed& n, const TSiteSource& site, const std::string& siteTemplate, const fs::path& stage,
                   const fs::path& scratch, std::string& catalogue, std::vector<std::string>& problems) {
    const TFirmwareSource& firmware = *n.firmware;
    std::error_code error;
    const std::uintmax_t size = fs::file_size(firmware.package, error);
    const std::optional<std::string> summary = platform::Utf8ToAnsiExactly(firmware.summary);
    if (!summary) problems.push_back(n.what + ": the summary cannot be written in code page 936");
    catalogue += n.f + "=" + CatalogueValue(firmware.date, size, summary.value_or("")) + "\r\n";

    const fs::path package = stage.string() + TAppFiles::PackagePath(n.m, n.f);
    fs::create_directories(package.parent_path());
    fs::copy_file(firmware.package, package);
    for (const std::string& problem : PackageProblems(package.string(), scratch))
        problems.push_back(firmware.package.string() + ": " + problem);

    const std::string page = FirmwarePage(n, site, siteTemplate, size, problems);
    std::optional<std::string> bytes = page;
    if (firmware.pageInCodePage936) bytes = platform::Utf8ToAnsiExactly(page);
    if (!bytes) problems.push_back(n.what + ": the page cannot be written in code page 936");
    WriteWhole(stage.string() + TAppFiles::PagePath(n.m, n.f), bytes.value_or(""));
}

// The home page listing every model with its firmware, when the source has a template for it.
void StageHomePage(const TSiteSource& site, const fs::path& top, std::vector<std::string>& problems) {
    if (site.homeTemplate.empty()) return;
    std::string items;
    for (const TModelSource& model : site.models) {
        std::string versions;
        for (const TFirmwareSource& firmware : model.firmware)
            versions += (versions.empty() ? "" : "、") + HtmlEscape(firmware.version);
        items += "<li>" + HtmlEscape(model.title) + "：" + versions + "</li>\n";
    }
    WriteWhole(top / "index.htm",
               FillTemplate(ReadWhole(site.homeTemplate), {{"models", items}}, site.homeTemplate.string(), problems));
}

// Swapped in whole where the system can; else the old site goes aside for the moment of two renames. The stage's
// name then holds the old site, or nothing: it goes with the stage.
void SwapIn(const fs::path& stage, const fs::path& target) {
    std::error_code error;
    if (!fs::exists(target, error)) {
        fs::rename(stage, target);
    } else if (::renameat2(AT_FDCWD, stage.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0) {
        const fs::path old = target.string() + ".old";
        fs::remove_all(old, error);
        fs::rename(target, old);
        fs::rename(stage, target);
        fs::remove_all(old, error);
    }
}

}  // namespace

std::vector<std::string> BuildSite(const fs::path& source, const fs::path& siteFolder,
                                   const std::vector<std::string>& mirrors) {
    std::vector<std::string> problems;
    const TSiteSource site = ReadSiteSource(source, problems);
    const fs::path target = fs::absolute(siteFolder);
    std::error_code error;
    if (fs::exists(target, error) && !fs::is_empty(target, error) && !fs::is_directory(target / kTop, error)) {
        problems.push_back(target.string() + " holds no " + kTop + " folder: it is not a site and is not replaced");
        return problems;
    }
    std::vector<std::string> models;
    const std::vector<TNamed> named = NameEverything(site, models, problems);
    if (!problems.empty()) return problems;

    fs::create_directories(target.parent_path());
    TTempFolder stage(target.filename().string() + ".new-", target.parent_path());
    TTempFolder scratch("yeroup-publish-");
    ::chmod(stage.Path().c_str(), 0755);
    const fs::path top = stage.Path() / kTop;

    std::string catalogue = CatalogueHead(site.comments, problems);
    const std::string siteTemplate =
        site.pageTemplate.empty() ? std::string(kBuiltInPageTemplate) : ReadWhole(site.pageTemplate);
    for (std::size_t i = 0; i < named.size(); ++i) {
        if (i == 0 || named[i - 1].model != named[i].model)
            catalogue += (i == 0 ? "[" : "\r\n[") + named[i].m + "]\r\n";
        StageFirmware(named[i], site, siteTemplate, stage.Path(), scratch.Path(), catalogue, problems);
    }
    WriteWhole(top / TAppFiles::CatalogueName(), catalogue);
    ReadBack(top / TAppFiles::CatalogueName(), named, models, problems);
    StageHomePage(site, top, problems);
    if (!mirrors.empty()) WriteWhole(top / TAppFiles::MirrorListName(), app::MirrorListText(mirrors));
    if (!problems.empty()) return problems;
    SwapIn(stage.Path(), target);
    return problems;
}

}  // namespace yeroup::tools
