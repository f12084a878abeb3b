#include "platform/profile/IniFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/files/AtomicWrite.h"
#include "platform/text/AsciiText.h"
#include "platform/text/CodePages.h"

namespace yeroup::platform {

namespace {

using Offset = std::uint32_t;

std::string_view TrimBlanks(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

// The closing bracket of a section header; trail bytes of double-byte characters may look like "]".
std::size_t FindClosingBracket(std::string_view s) {
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (IsAnsiLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
            ++i;
            continue;
        }
        if (s[i] == ']') return i;
    }
    return std::string_view::npos;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

// What one line is: a section header with its name, a key line with its key and value, or neither.
struct LineKind {
    std::optional<std::string_view> section;
    std::optional<std::string_view> key;
    std::string_view value;
};

LineKind ReadLine(std::string_view raw) {
    LineKind kind;
    const std::string_view text = TrimBlanks(raw);
    if (!text.empty() && text[0] == '[') {
        const auto close = FindClosingBracket(text);
        kind.section = TrimBlanks(text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    } else if (!text.empty() && text[0] != ';') {
        const auto eq = text.find('=');
        if (eq != std::string_view::npos) {
            kind.key = TrimBlanks(text.substr(0, eq));
            kind.value = Unquote(TrimBlanks(text.substr(eq + 1)));
        }
    }
    return kind;
}

// Calls visit(line, offset) for every line of text, split at LF with a CR before it dropped; a last line without
// a line end counts when it is not empty.
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        visit(line, at);
        at = next;
    }
}

// Adds names to the list while they fit whole, each with its terminating zero, ahead of the list's final zero.
class NameBuffer {
public:
    explicit NameBuffer(std::vector<std::string>& out) : out_(out) {}
    bool Add(std::string_view name) {
        if (used_ + name.size() + 1 > TIniFile::kListBufferSize - 1) return false;
        used_ += name.size() + 1;
        out_.emplace_back(name);
        return true;
    }

private:
    std::vector<std::string>& out_;
    std::size_t used_ = 0;
};

struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const std::filesystem::path& file) {
    struct stat info {};
    FileIdentity identity;
    if (::stat(file.c_str(), &info) != 0) return identity;
    identity.exists = true;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = info.st_size;
    identity.modifiedNs = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return identity;
}

}  // namespace

// The whole text and where its section lines and key lines begin, 4 bytes each; names and values are read from the
// text again when asked for.
struct TIniFile::TIndex {
    FileIdentity identity;
    std::string text;
    std::vector<Offset> sections;
    std::vector<Offset> keys;  // key lines below a section, in file order

    std::string_view Line(Offset at) const {
        std::string_view rest = std::string_view(text).substr(at);
        rest = rest.substr(0, rest.find('\n'));
        if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
        return rest;
    }
    std::string_view SectionName(std::size_t i) const { return *ReadLine(Line(sections[i])).section; }
    // The key lines of section i: those between its header and the next one.
    std::pair<std::size_t, std::size_t> Keys(std::size_t i) const {
        const auto first = std::lower_bound(keys.begin(), keys.end(), sections[i]);
        const auto last = i + 1 < sections.size() ? std::lower_bound(first, keys.end(), sections[i + 1]) : keys.end();
        return {static_cast<std::size_t>(first - keys.begin()), static_cast<std::size_t>(last - keys.begin())};
    }
    // The first section of that name, or none.
    std::optional<std::size_t> FindSection(std::string_view name) const {
        for (std::size_t i = 0; i < sections.size(); ++i)
            if (SameText(SectionName(i), name)) return i;
        return std::nullopt;
    }
};

namespace {

std::shared_ptr<const TIniFile::TIndex> IndexOfText(std::string text, const FileIdentity& identity) {
    using TIndex = TIniFile::TIndex;
    auto index = std::make_shared<TIndex>();
    index->identity = identity;
    index->text = std::move(text);
    // Counted first, so each list is allocated once at its final size.
    std::size_t sectionCount = 0, keyCount = 0;
    const auto visit = [&](auto&& store) {
        ForEachLine(index->text, [&](std::string_view line, std::size_t at) {
            const LineKind kind = ReadLine(line);
            if (kind.section) {
                ++sectionCount;
                store(index->sections, at);
            } else if (kind.key && sectionCount > 0) {
                ++keyCount;
                store(index->keys, at);
            }
        });
    };
    visit([](std::vector<Offset>&, std::size_t) {});
    index->sections.reserve(sectionCount);
    index->keys.reserve(keyCount);
    sectionCount = keyCount = 0;
    visit([](std::vector<Offset>& list, std::size_t at) { list.push_back(static_cast<Offset>(at)); });
    return index;
}

// The text with the entry put in: in place of the section's first line of that key, else after its last key line
// (or its header), else in a new section at the end.
std::string TextWithEntry(const TIniFile::TIndex& index, const std::string& section, const std::string& key,
                          const std::string& value) {
    const std::string entry = key + "=" + value;
    std::optional<Offset> replaceAt;
    std::optional<Offset> insertAfter;
    if (const auto found = index.FindSection(section)) {
        insertAfter = index.sections[*found];
        const auto [first, last] = index.Keys(*found);
        for (std::size_t k = first; k < last; ++k) {
            insertAfter = index.keys[k];
            if (SameText(*ReadLine(index.Line(index.keys[k])).key, key)) {
                replaceAt = index.keys[k];
                break;
            }
        }
    }
    std::string text;
    text.reserve(index.text.size() + entry.size() + section.size() + 8);
    ForEachLine(index.text, [&](std::string_view line, std::size_t at) {
        text += replaceAt && *replaceAt == at ? std::string_view(entry) : line;
        text += "\r\n";
        if (!replaceAt && insertAfter && *insertAfter == at) text += entry + "\r\n";
    });
    if (!replaceAt && !insertAfter) text += "[" + section + "]\r\n" + entry + "\r\n";
    return text;
}

}  // namespace

TIniFile::TIniFile(std::filesystem::path fileName) : fileName_(std::move(fileName)) {}

TIniFile::~TIniFile() = default;

const TIniFile::TIndex& TIniFile::Index() const {
    const FileIdentity identity = IdentityOf(fileName_);
    if (index_ && index_->identity == identity) return *index_;
    std::string text;
    if (identity.exists) {
        // Read in one piece of the file's size, so the text is held once; offsets are 32 bits, and what a file
        // may hold beyond 4 GiB is not seen.
        std::ifstream in(fileName_, std::ios::binary);
        const auto size = std::min<std::uint64_t>(static_cast<std::uint64_t>(std::max<off_t>(identity.size, 0)),
                                                  std::numeric_limits<Offset>::max());
        text.resize(static_cast<std::size_t>(size));
        in.read(text.data(), static_cast<std::streamsize>(size));
        text.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    }
    index_ = IndexOfText(std::move(text), identity);
    return *index_;
}

bool ParseProfileInteger(const std::string& text, int& value) {
    std::string s(TrimBlanks(text));
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
    const TIndex& index = Index();
    for (std::size_t i = 0; i < index.sections.size(); ++i)
        if (!buffer.Add(index.SectionName(i))) break;
}

void TIniFile::ReadSection(const std::string& section, std::vector<std::string>& keys) const {
    keys.clear();
    NameBuffer buffer(keys);
    const TIndex& index = Index();
    // Only the first section of that name is read.
    const auto found = index.FindSection(section);
    if (!found) return;
    const auto [first, last] = index.Keys(*found);
    for (std::size_t k = first; k < last; ++k)
        if (!buffer.Add(*ReadLine(index.Line(index.keys[k])).key)) break;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    const TIndex& index = Index();
    const auto found = index.FindSection(section);
    if (!found) return def;
    const auto [first, last] = index.Keys(*found);
    for (std::size_t k = first; k < last; ++k) {
        const LineKind line = ReadLine(index.Line(index.keys[k]));
        if (SameText(*line.key, key)) return std::string(line.value.substr(0, kValueBufferSize - 1));
    }
    return def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    int value = 0;
    return ParseProfileInteger(ReadString(section, key, ""), value) ? value : def;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    WriteStrings(section, {{key, value}});
}

void TIniFile::WriteStrings(const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& entries) {
    std::shared_ptr<const TIndex> index;
    const TIndex* current = &Index();
    std::string text = current->text;
    for (const auto& [key, value] : entries) {
        text = TextWithEntry(*current, section, key, value);
        index = IndexOfText(text, {});
        current = index.get();
    }
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
