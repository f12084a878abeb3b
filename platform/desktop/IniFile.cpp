#include "platform/desktop/IniFile.h"

#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/desktop/AtomicWrite.h"
#include "platform/text/AsciiText.h"
#include "platform/text/CodePages.h"

namespace yeroup::platform {

namespace {

struct Line {
    std::string raw;
    std::optional<std::string> section;  // set for a section header
    std::optional<std::string> key;      // set for a key line
    std::string value;
};

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// The closing bracket of a section header; trail bytes of double-byte characters may look like "]".
std::size_t FindClosingBracket(const std::string& s) {
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (IsAnsiLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
            ++i;
            continue;
        }
        if (s[i] == ']') return i;
    }
    return std::string::npos;
}

std::string Unquote(const std::string& v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

std::vector<Line> Parse(const std::filesystem::path& file) {
    std::vector<Line> lines;
    std::ifstream in(file, std::ios::binary);
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        Line line{raw, {}, {}, {}};
        const std::string text = Trim(raw);
        if (!text.empty() && text[0] == '[') {
            const auto close = FindClosingBracket(text);
            line.section = Trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        } else if (!text.empty() && text[0] != ';') {
            const auto eq = text.find('=');
            if (eq != std::string::npos) {
                line.key = Trim(text.substr(0, eq));
                line.value = Unquote(Trim(text.substr(eq + 1)));
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// Adds names to the list while they fit whole, each with its terminating zero, ahead of the list's final zero.
class NameBuffer {
public:
    explicit NameBuffer(std::vector<std::string>& out) : out_(out) {}
    bool Add(const std::string& name) {
        if (used_ + name.size() + 1 > TIniFile::kListBufferSize - 1) return false;
        used_ += name.size() + 1;
        out_.push_back(name);
        return true;
    }

private:
    std::vector<std::string>& out_;
    std::size_t used_ = 0;
};

}  // namespace

bool ParseProfileInteger(const std::string& text, int& value) {
    std::string s = Trim(text);
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s = s.substr(2);
    }
    bool negative = false;
    std::size_t i = 0;
    if (base == 10 && i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    if (i == s.size()) return false;
    std::uint64_t magnitude = 0;
    for (; i < s.size(); ++i) {
        const int c = std::tolower(static_cast<unsigned char>(s[i]));
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (digit < 0) return false;
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    if (base == 16) {
        // Eight hexadecimal digits cover the whole 32-bit pattern, negative numbers included.
        value = static_cast<int>(static_cast<std::uint32_t>(magnitude));
        return true;
    }
    if (magnitude > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return false;
    value = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude)) : static_cast<int>(magnitude);
    return true;
}

void TIniFile::ReadSections(std::vector<std::string>& sections) const {
    sections.clear();
    NameBuffer buffer(sections);
    for (const Line& line : Parse(fileName_)) {
        if (line.section && !buffer.Add(*line.section)) break;
    }
}

void TIniFile::ReadSection(const std::string& section, std::vector<std::string>& keys) const {
    keys.clear();
    NameBuffer buffer(keys);
    bool inside = false;
    for (const Line& line : Parse(fileName_)) {
        if (line.section) {
            // Only the first section of that name is read.
            if (inside) break;
            inside = SameText(*line.section, section);
        } else if (inside && line.key && !buffer.Add(*line.key)) {
            break;
        }
    }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    bool inside = false;
    for (const Line& line : Parse(fileName_)) {
        if (line.section) {
            if (inside) break;
            inside = SameText(*line.section, section);
        } else if (inside && line.key && SameText(*line.key, key)) {
            return line.value.substr(0, kValueBufferSize - 1);
        }
    }
    return def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    int value = 0;
    return ParseProfileInteger(ReadString(section, key, ""), value) ? value : def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    std::vector<Line> lines = Parse(fileName_);
    const std::string entry = key + "=" + value;
    std::optional<std::size_t> sectionAt;
    std::optional<std::size_t> lastKeyAt;
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        if (lines[i].section) {
            if (sectionAt) break;
            if (SameText(*lines[i].section, section)) sectionAt = i;
        } else if (sectionAt && lines[i].key) {
            lastKeyAt = i;
            if (SameText(*lines[i].key, key)) {
                lines[i].raw = entry;
                done = true;
            }
        }
    }
    std::vector<std::string> out;
    for (const Line& line : lines) out.push_back(line.raw);
    if (!done) {
        if (sectionAt) {
            const std::size_t at = (lastKeyAt ? *lastKeyAt : *sectionAt) + 1;
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), entry);
        } else {
            out.push_back("[" + section + "]");
            out.push_back(entry);
        }
    }
    std::string text;
    for (const std::string& line : out) text += line + "\r\n";
    try {
        ReplaceFileAtomically(fileName_, text.data(), text.size());
    } catch (const EFileCreateError&) {
        throw EIniFileException("Unable to write to " + fileName_.string());
    }
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

}  // namespace yeroup::platform
