#include "tools/publish/SiteSource.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "platform/text/AsciiText.h"
#include "platform/text/CodePages.h"

namespace yeroup::tools {

namespace fs = std::filesystem;

namespace {

struct TField {
    std::string value;
    int line = 0;
};

// The fields of one text file by name, in the file's order; false (with a problem) when it cannot be read.
class TFieldFile {
public:
    TFieldFile(fs::path file, std::vector<std::string>& problems) : file_(std::move(file)), problems_(problems) {}

    bool Read(const std::set<std::string>& known) {
        std::ifstream in(file_, std::ios::binary);
        if (!in) return Problem(0, "cannot be read");
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!platform::IsValidUtf8(text)) return Problem(0, "is not UTF-8 text");
        int number = 0;
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string line = platform::Trim(std::string_view(text).substr(start, end - start));
            start = end + 1;
            ++number;
            if (line.empty() || line[0] == '#') continue;
            const std::size_t colon = line.find(':');
            const std::string name = colon == std::string::npos ? line : platform::Trim(line.substr(0, colon));
            if (colon == std::string::npos || !known.contains(name)) {
                Problem(number, "\"" + name + "\" is not a field of this file");
                continue;
            }
            fields_[name].push_back({platform::Trim(line.substr(colon + 1)), number});
        }
        return true;
    }

    // A field given at most once; required ones must be there and not empty.
    std::string One(const std::string& name, bool required) {
        const auto found = fields_.find(name);
        if (found == fields_.end()) {
            if (required) Problem(0, "has no \"" + name + ":\" line");
            return {};
        }
        if (found->second.size() > 1) Problem(found->second[1].line, "gives \"" + name + ":\" a second time");
        if (required && found->second[0].value.empty()) Problem(found->second[0].line, "\"" + name + ":\" is empty");
        return found->second[0].value;
    }
    std::vector<TField> All(const std::string& name) const {
        const auto found = fields_.find(name);
        return found == fields_.end() ? std::vector<TField>() : found->second;
    }
    // A file the text names, relative to the text's folder.
    fs::path FileNamed(const std::string& name) {
        const std::string value = One(name, false);
        if (value.empty()) return {};
        fs::path path = file_.parent_path() / value;
        std::error_code error;
        if (!fs::is_regular_file(path, error))
            Problem(All(name)[0].line, "names " + path.string() + ", which is not a file");
        return path;
    }

    bool Problem(int line, const std::string& what) {
        problems_.push_back(file_.string() + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + what);
        return false;
    }

private:
    fs::path file_;
    std::vector<std::string>& problems_;
    std::map<std::string, std::vector<TField>> fields_;
};

bool IsDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (const std::size_t i : {0U, 1U, 2U, 3U, 5U, 6U, 8U, 9U})
        if (text[i] < '0' || text[i] > '9') return false;
    const int month = std::stoi(text.substr(5, 2)), day = std::stoi(text.substr(8, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

TFirmwareSource ReadFirmware(const fs::path& folder, const TField& entry, std::vector<std::string>& problems) {
    TFirmwareSource firmware;
    firmware.version = entry.value;
    firmware.package = folder / (entry.value + ".zip");
    TFieldFile file(folder / (entry.value + ".txt"), problems);
    if (!file.Read({"date", "summary", "change", "page", "page-encoding"})) return firmware;
    firmware.date = file.One("date", true);
    if (!firmware.date.empty() && !IsDate(firmware.date))
        file.Problem(file.All("date")[0].line, "\"" + firmware.date + "\" is not a date written YYYY-MM-DD");
    firmware.summary = file.One("summary", true);
    for (const TField& change : file.All("change")) firmware.changes.push_back(change.value);
    firmware.pageTemplate = file.FileNamed("page");
    const std::string encoding = platform::AsciiLowerCase(file.One("page-encoding", false));
    firmware.pageInCodePage936 = encoding == "cp936";
    if (!encoding.empty() && encoding != "cp936" && encoding != "utf-8")
        file.Problem(file.All("page-encoding")[0].line, "the page encoding is utf-8 or cp936, not " + encoding);
    std::error_code error;
    if (!fs::is_regular_file(firmware.package, error))
        problems.push_back(firmware.package.string() + ": the package is missing");
    return firmware;
}

TModelSource ReadModel(const fs::path& folder, const std::string& name, std::vector<std::string>& problems) {
    TModelSource model;
    model.name = name;
    TFieldFile file(folder / "model.txt", problems);
    if (!file.Read({"title", "firmware"})) return model;
    model.title = file.One("title", false);
    if (model.title.empty()) model.title = name;
    const std::vector<TField> firmware = file.All("firmware");
    if (firmware.empty()) file.Problem(0, "lists no firmware (\"firmware:\" lines)");
    for (const TField& entry : firmware) model.firmware.push_back(ReadFirmware(folder, entry, problems));
    return model;
}

}  // namespace

TSiteSource ReadSiteSource(const fs::path& folder, std::vector<std::string>& problems) {
    TSiteSource site;
    TFieldFile file(folder / "site.txt", problems);
    if (!file.Read({"model", "comment", "page", "home"})) return site;
    for (const TField& comment : file.All("comment")) site.comments.push_back(comment.value);
    site.pageTemplate = file.FileNamed("page");
    site.homeTemplate = file.FileNamed("home");
    const std::vector<TField> models = file.All("model");
    if (models.empty()) file.Problem(0, "lists no model (\"model:\" lines)");
    for (const TField& model : models) site.models.push_back(ReadModel(folder / model.value, model.value, problems));
    return site;
}

}  // namespace yeroup::tools
