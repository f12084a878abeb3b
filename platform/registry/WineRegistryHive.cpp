#include "platform/registry/WineRegistryHive.h"

#include <fstream>

#include "platform/registry/RegistryLines.h"
#include "platform/text/AsciiText.h"

namespace yeroup::platform {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr unsigned kRegSz = 1;
constexpr unsigned kRegExpandSz = 2;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 units to UTF-8, up to the first zero unit; a surrogate without its partner becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size() && units[i] != 0; ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            AppendUtf8(out, 0x10000 + ((char32_t{u} - 0xD800) << 10) + (char32_t{units[i + 1]} - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

void AppendUtf16(std::u16string& units, char32_t code) {
    if (code < 0x10000) {
        units += static_cast<char16_t>(code);
    } else {
        units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
        units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    }
}

// One unescaped character of UTF-8 at text[i]; a byte that starts no valid sequence stands for itself (Latin-1).
char32_t DecodeUtf8(const std::string& text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 1;
    char32_t code = length == 4 ? lead & 0x07u : length == 3 ? lead & 0x0Fu : lead & 0x1Fu;
    bool valid = length > 1 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
        valid = (byte(i + k) & 0xC0) == 0x80;
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    const char32_t smallest = length == 4 ? 0x10000 : length == 3 ? 0x800 : 0x80;
    if (!valid || code < smallest || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
        ++i;
        return lead;
    }
    i += length;
    return code;
}

// The text between an opening quote at text[start] and its closing quote; npos in end when it has none.
std::string QuotedText(const std::string& text, std::size_t start, std::size_t& end) {
    for (std::size_t i = start + 1; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == '"') {
            end = i + 1;
            return text.substr(start + 1, i - start - 1);
        }
    }
    end = std::string::npos;
    return {};
}

bool StartsWith(const std::string& text, std::size_t at, std::string_view prefix) {
    return text.compare(at, prefix.size(), prefix) == 0;
}

// "(N):" after "str" or "hex": the type number N in hex; false when malformed.
bool ParseType(const std::string& text, std::size_t& at, unsigned& type) {
    if (at >= text.size() || text[at] != '(') return false;
    type = 0;
    std::size_t digits = 0;
    for (++at; at < text.size() && HexDigit(text[at]) >= 0 && digits < 8; ++at, ++digits)
        type = type * 16 + static_cast<unsigned>(HexDigit(text[at]));
    if (digits == 0 || !StartsWith(text, at, "):")) return false;
    at += 2;
    return true;
}

// "xx,xx,..." bytes of a hex value; false when malformed.
bool ParseHexBytes(const std::string& text, std::size_t at, std::string& bytes) {
    while (at < text.size()) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == ',')) ++at;
        if (at == text.size()) break;
        if (at + 1 >= text.size() || HexDigit(text[at]) < 0 || HexDigit(text[at + 1]) < 0) return false;
        bytes += static_cast<char>(HexDigit(text[at]) * 16 + HexDigit(text[at + 1]));
        at += 2;
    }
    return true;
}

std::string Utf16LeToUtf8(const std::string& bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return Utf16ToUtf8(units);
}

// The data after "=" of a value line; false when the line is malformed.
bool ParseData(const std::string& line, std::size_t at, TRegistryValue& value) {
    unsigned type = kRegSz;
    if (StartsWith(line, at, "str")) {
        at += 3;
        if (!ParseType(line, at, type)) return false;
    } else if (StartsWith(line, at, "hex")) {
        at += 3;
        type = 3;  // REG_BINARY
        if (at < line.size() && line[at] == '(') {
            if (!ParseType(line, at, type)) return false;
        } else if (StartsWith(line, at, ":")) {
            ++at;
        } else {
            return false;
        }
        std::string bytes;
        if (!ParseHexBytes(line, at, bytes)) return false;
        value.isString = type == kRegSz || type == kRegExpandSz;
        value.isExpandable = type == kRegExpandSz;
        if (value.isString) value.text = Utf16LeToUtf8(bytes);
        return true;
    } else if (!StartsWith(line, at, "\"")) {
        value.isString = false;  // dword: and the like
        return StartsWith(line, at, "dword:");
    }
    if (!StartsWith(line, at, "\"")) return false;
    std::size_t end = 0;
    const std::string escaped = QuotedText(line, at, end);
    if (end == std::string::npos) return false;
    value.isString = type == kRegSz || type == kRegExpandSz;
    value.isExpandable = type == kRegExpandSz;
    if (value.isString) value.text = UnescapeWineString(escaped);
    return true;
}

// The key name of a "[...] timestamp" line; false when it has no closing bracket.
bool ParseKeyLine(const std::string& line, std::string& key) {
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '\\') {
            ++i;
        } else if (line[i] == ']') {
            key = UnescapeWineString(line.substr(1, i - 1));
            return true;
        }
    }
    return false;
}

bool ParseValueLine(const std::string& line, std::string& name, TRegistryValue& value) {
    std::size_t at = 0;
    if (line[0] == '@') {
        name.clear();
        at = 1;
    } else {
        name = UnescapeWineString(QuotedText(line, 0, at));
        if (at == std::string::npos) return false;
    }
    if (at >= line.size() || line[at] != '=') return false;
    return ParseData(line, at + 1, value);
}

}  // namespace

std::string NormaliseKeyPath(const std::string& key) {
    const auto first = key.find_first_not_of('\\');
    if (first == std::string::npos) return {};
    const auto last = key.find_last_not_of('\\');
    return AsciiLowerCase(key.substr(first, last - first + 1));
}

bool IsWineHive(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string head(kHeader.size() + 1, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head.compare(0, kHeader.size(), kHeader) == 0 &&
           (head.size() == kHeader.size() || head.back() == '\n' || head.back() == '\r');
}

std::string UnescapeWineString(const std::string& escaped) {
    std::u16string units;
    std::size_t i = 0;
    while (i < escaped.size()) {
        const char c = escaped[i];
        if (c != '\\' || i + 1 == escaped.size()) {
            AppendUtf16(units, DecodeUtf8(escaped, i));
            continue;
        }
        const char e = escaped[++i];
        ++i;
        switch (e) {
        case 'a': units += u'\a'; break;
        case 'b': units += u'\b'; break;
        case 'e': units += char16_t{0x1B}; break;
        case 'f': units += u'\f'; break;
        case 'n': units += u'\n'; break;
        case 'r': units += u'\r'; break;
        case 't': units += u'\t'; break;
        case 'v': units += u'\v'; break;
        case 'x': {
            if (i == escaped.size() || HexDigit(escaped[i]) < 0) {
                units += u'x';
                break;
            }
            unsigned unit = 0;
            for (int digits = 0; digits < 4 && i < escaped.size() && HexDigit(escaped[i]) >= 0; ++digits, ++i)
                unit = unit * 16 + static_cast<unsigned>(HexDigit(escaped[i]));
            units += static_cast<char16_t>(unit);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                unsigned unit = static_cast<unsigned>(e - '0');
                for (int digits = 1; digits < 3 && i < escaped.size() && escaped[i] >= '0' && escaped[i] <= '7';
                     ++digits, ++i)
                    unit = unit * 8 + static_cast<unsigned>(escaped[i] - '0');
                units += static_cast<char16_t>(unit);
            } else {
                --i;  // any other escaped character stands for itself
                AppendUtf16(units, DecodeUtf8(escaped, i));
            }
        }
    }
    return Utf16ToUtf8(units);
}

std::map<std::string, TRegistryKeyValues> TWineRegistryHive::ReadKeys(const std::vector<std::string>& keys) const {
    std::map<std::string, std::vector<std::string>> asked;  // normalised path -> the paths asked for it
    for (const std::string& key : keys) asked[NormaliseKeyPath(key)].push_back(key);

    std::map<std::string, TRegistryKeyValues> found;
    TRegistryLines lines(file_, true);
    const std::vector<std::string>* current = nullptr;
    std::string line;
    bool overlong = false;
    while (lines.Next(line, overlong)) {
        if (line.empty()) continue;
        if (line[0] == '[') {
            current = nullptr;
            std::string key;
            if (overlong || !ParseKeyLine(line, key)) continue;
            const auto it = asked.find(NormaliseKeyPath(key));
            if (it == asked.end()) continue;
            current = &it->second;
            for (const std::string& path : *current) found[path];
            continue;
        }
        if (!current || overlong || (line[0] != '"' && line[0] != '@')) continue;
        std::string name;
        TRegistryValue value;
        if (!ParseValueLine(line, name, value)) continue;
        for (const std::string& path : *current) found[path][AsciiLowerCase(name)] = value;
    }
    return found;
}

bool TWineRegistryHive::Is64Bit() const {
    TRegistryLines lines(file_, false);
    std::string line;
    bool overlong = false;
    while (lines.Next(line, overlong) && (line.empty() || line[0] != '['))
        if (line == "#arch=win64") return true;
    return false;
}

}  // namespace yeroup::platform
