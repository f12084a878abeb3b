#include "app/download/ResumeRecord.h"

#include <zlib.h>

#include <charconv>
#include <cstdio>

namespace yeroup::app {

namespace {

constexpr std::string_view kFirstLine = "yeroup-resume 3\n";
// The form before the piece lists: still read, so that an update does not throw away a partial.
constexpr std::string_view kOldFirstLine = "yeroup-resume 2\n";
constexpr std::string_view kChecksumKey = "crc32=";

std::string Checksum(std::string_view text) {
    const uLong crc =
        crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08lx", static_cast<unsigned long>(crc));
    return hex;
}

bool ReadNumber(const std::string& text, std::int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool OneLine(const std::string& value) { return value.find_first_of("\r\n") == std::string::npos; }

}  // namespace

std::string ResumeRecordText(const TResumeRecord& record) {
    std::string text(kFirstLine);
    // A value that would end its line is left out; the record then fails its own check and is never used.
    const auto line = [&](std::string_view key, const std::string& value) {
        text += key;
        text += '=';
        text += OneLine(value) ? value : std::string("\n");
        text += '\n';
    };
    line("url", record.Url);
    line("etag", record.ETag);
    line("last-modified", record.LastModified);
    line("length", std::to_string(record.Length));
    line("whole", record.Whole ? "1" : "0");
    line("pieces", record.Pieces);
    line("verified", std::to_string(record.Verified));
    const std::string body = text;
    return body + std::string(kChecksumKey) + Checksum(body) + "\n";
}

std::optional<TResumeRecord> ParseResumeRecord(std::string_view text) {
    const std::size_t last = text.rfind(kChecksumKey);
    if (last == std::string_view::npos || (last > 0 && text[last - 1] != '\n')) return std::nullopt;
    const std::string_view body = text.substr(0, last);
    if (text.substr(last + kChecksumKey.size()) != Checksum(body) + "\n") return std::nullopt;
    const bool old = body.substr(0, kOldFirstLine.size()) == kOldFirstLine;
    if (!old && body.substr(0, kFirstLine.size()) != kFirstLine) return std::nullopt;
    TResumeRecord record;
    std::string_view rest = body.substr(kFirstLine.size());
    const char* const keys[] = {"url", "etag", "last-modified", "length", "whole", "pieces", "verified"};
    std::string values[7] = {"", "", "", "", "", "", "0"};
    for (int i = 0; i < (old ? 5 : 7); ++i) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = rest.substr(0, end);
        const std::string_view key = keys[i];
        if (line.substr(0, key.size()) != key || line.size() <= key.size() || line[key.size()] != '=')
            return std::nullopt;
        values[i] = std::string(line.substr(key.size() + 1));
        rest.remove_prefix(end + 1);
    }
    if (!rest.empty()) return std::nullopt;
    record.Url = values[0];
    record.ETag = values[1];
    record.LastModified = values[2];
    if (!ReadNumber(values[3], record.Length) || record.Length < -1) return std::nullopt;
    if (record.Url.empty() || (values[4] != "0" && values[4] != "1")) return std::nullopt;
    record.Whole = values[4] == "1";
    record.Pieces = values[5];
    if (!ReadNumber(values[6], record.Verified) || record.Verified < 0 || record.Verified > record.Length)
        return std::nullopt;
    return record;
}

}  // namespace yeroup::app
