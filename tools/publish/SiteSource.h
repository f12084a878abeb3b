#pragma once
// The vendor's source of an update site, kept in version control: small UTF-8 text files of "field: value" lines
// (blank lines and lines starting with "#" are skipped) beside the packages and page templates.
//
//   site.txt              model: NAME (one a line, in the program's list order; a folder of that name each),
//                         comment: TEXT (lines at the top of the catalogue), page: FILE (the page template of every
//                         firmware), home: FILE (the home page)
//   NAME/model.txt        title: TEXT, firmware: VERSION (one a line, in list order)
//   NAME/VERSION.txt      date: YYYY-MM-DD, summary: TEXT (one line, in the catalogue and on the page),
//                         change: TEXT (one a line, the page's list), page: FILE (this firmware's own template),
//                         page-encoding: utf-8 or cp936 (the page's bytes; utf-8 unless given)
//   NAME/VERSION.zip      the package
//
// Files named by "page:" and "home:" are relative to the text file naming them.
#include <filesystem>
#include <string>
#include <vector>

namespace yeroup::tools {

struct TFirmwareSource {
    std::string version;  // UTF-8, as the model's "firmware:" line gives it
    std::string date;
    std::string summary;
    std::vector<std::string> changes;
    std::filesystem::path package;
    std::filesystem::path pageTemplate;  // empty: the site's
    bool pageInCodePage936 = false;
};

struct TModelSource {
    std::string name;  // UTF-8, the folder's name
    std::string title;
    std::vector<TFirmwareSource> firmware;
};

struct TSiteSource {
    std::vector<std::string> comments;
    std::filesystem::path homeTemplate;  // empty: no home page
    std::filesystem::path pageTemplate;  // empty: the built-in one
    std::vector<TModelSource> models;
};

// Reads the source in folder; every fault found is added to problems as a line naming its file (and line).
TSiteSource ReadSiteSource(const std::filesystem::path& folder, std::vector<std::string>& problems);

}  // namespace yeroup::tools
