#include "app/core/PageCharset.h"

#include <array>

#include "app/core/Limits.h"
#include "platform/text/AsciiText.h"

namespace yeroup::app {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool EndsLabel(char c) {
    return platform::IsBlank(c) || c == ';' || c == '"' || c == '\'' || c == '>' || c == '/' || c == ',';
}

// The value after "charset" and "=" at from, when text holds all of it (a label cut off by the end of text is
// no label).
std::string CharsetValueAt(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && platform::IsBlank(text[i])) ++i;
    if (i == text.size() || text[i] != '=') return {};
    ++i;
    while (i < text.size() && (platform::IsBlank(text[i]) || text[i] == '"' || text[i] == '\'')) ++i;
    const std::size_t start = i;
    while (i < text.size() && !EndsLabel(text[i])) ++i;
    if (i == text.size()) return {};
    return std::string(text.substr(start, i - start));
}

// The first charset named in text from pos on, before end.
std::string FindCharset(std::string_view text, std::size_t pos, std::size_t end) {
    constexpr std::string_view kCharset = "charset";
    for (pos = text.find(kCharset, pos); pos != std::string_view::npos && pos < end;
         pos = text.find(kCharset, pos + 1)) {
        std::string label = CharsetValueAt(text.substr(0, end), pos + kCharset.size());
        if (!label.empty()) return label;
    }
    return {};
}

std::string MetaCharset(std::string_view page) {
    const std::string head = Lower(page.substr(0, limits::kCharsetSniffBytes));
    for (std::size_t meta = head.find("<meta"); meta != std::string::npos; meta = head.find("<meta", meta + 1)) {
        const std::size_t close = head.find('>', meta);
        if (close == std::string::npos) break;
        std::string label = FindCharset(head, meta, close + 1);
        if (!label.empty()) return label;
    }
    return {};
}

std::string ByteOrderMarkCharset(std::string_view page) {
    if (page.substr(0, 3) == "\xEF\xBB\xBF") return "UTF-8";
    if (page.substr(0, 2) == "\xFF\xFE") return "UTF-16LE";
    if (page.substr(0, 2) == "\xFE\xFF") return "UTF-16BE";
    return {};
}

// The labels browsers read as GBK; GB18030 decodes all of them.
std::string Canonical(const std::string& label) {
    static constexpr std::array<std::string_view, 10> kChinese = {
        "gb2312",          "gbk",        "x-gbk",   "chinese",   "csgb2312",
        "csiso58gb231280", "gb_2312-80", "gb_2312", "iso-ir-58", "gb18030"};
    for (std::string_view chinese : kChinese)
        if (platform::SameText(label, chinese)) return "GB18030";
    return label;
}

}  // namespace

std::string PageCharset(std::string_view page, std::string_view contentType) {
    std::string label = ByteOrderMarkCharset(page);
    if (label.empty()) {
        const std::string type = Lower(contentType) + ";";
        label = FindCharset(type, 0, type.size());
    }
    if (label.empty()) label = MetaCharset(page);
    return Canonical(label);
}

}  // namespace yeroup::app
