#include "app/upgrade/UpgradeHistory.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <optional>
#include <utility>

#include "app/core/Limits.h"
#include "app/core/Trace.h"
#include "app/trust/Sha256.h"
#include "platform/files/AtomicWrite.h"
#include "platform/files/MappedFile.h"
#include "platform/files/SmallFile.h"

namespace yeroup::app::upgrade {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHistoryHeader = "yeroup-history 1";
constexpr std::string_view kHistoryMagic = "yeroup-history ";
// time, outcome, model, before, after, digest, reason, the line's checksum
constexpr std::size_t kHistoryFields = 8;
constexpr std::size_t kSha256HexBytes = 64;

constexpr std::array<std::pair<THistoryOutcome, std::string_view>, 5> kOutcomeWords{{
    {THistoryOutcome::UnderWay, "under-way"},
    {THistoryOutcome::Finished, "finished"},
    {THistoryOutcome::RolledBack, "rolled-back"},
    {THistoryOutcome::Refused, "refused"},
    {THistoryOutcome::LeftForUser, "left-for-user"},
}};

std::uint32_t HistoryLineCrc(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// A text as one field: control characters (a tab, a line end) become '?', and it is cut to its bound without
// splitting a UTF-8 character.
std::string HistoryField(std::string_view text) {
    if (text.size() > limits::kMaxHistoryTextBytes) {
        std::size_t cut = limits::kMaxHistoryTextBytes;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text = text.substr(0, cut);
    }
    std::string field(text);
    for (char& c : field)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return field;
}

bool IsLowerHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos; tab = line.find('\t', start)) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

std::optional<THistoryEntry> ParseHistoryLine(std::string_view line) {
    if (line.size() > limits::kMaxHistoryLineBytes) return std::nullopt;
    const std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() != kHistoryFields) return std::nullopt;
    std::uint32_t crc = 0;
    const std::string_view crcText = fields.back();
    if (crcText.size() != 8 || std::from_chars(crcText.data(), crcText.data() + 8, crc, 16).ptr != crcText.end() ||
        crc != HistoryLineCrc(line.substr(0, line.size() - crcText.size())))
        return std::nullopt;
    THistoryEntry entry;
    if (std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), entry.time).ptr != fields[0].end() ||
        entry.time < 0 || entry.time > limits::kMaxSignedTime)
        return std::nullopt;
    const auto word = std::find_if(kOutcomeWords.begin(), kOutcomeWords.end(),
                                   [&](const auto& known) { return known.second == fields[1]; });
    if (word == kOutcomeWords.end()) return std::nullopt;
    entry.outcome = word->first;
    if (!(fields[5].empty() || (fields[5].size() == kSha256HexBytes && IsLowerHex(fields[5])))) return std::nullopt;
    entry.model = fields[2];
    entry.before = fields[3];
    entry.after = fields[4];
    entry.sha256 = fields[5];
    entry.reason = fields[6];
    return entry;
}

std::string HistoryLine(const THistoryEntry& entry) {
    std::string line = std::to_string(entry.time) + '\t' + std::string(OutcomeWord(entry.outcome));
    for (const std::string* text : {&entry.model, &entry.before, &entry.after, &entry.sha256, &entry.reason})
        (line += '\t') += HistoryField(*text);
    line += '\t';
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", HistoryLineCrc(line));
    return line + crc;
}

void WriteHistory(const fs::path& file, const std::vector<THistoryEntry>& entries) {
    const std::string bytes = HistoryBytes(entries);
    fs::create_directories(file.parent_path());
    platform::ReplaceFileAtomically(file, bytes.data(), bytes.size());
}

bool SameUpgrade(const THistoryEntry& underWay, const THistoryEntry& end) {
    return underWay.outcome == THistoryOutcome::UnderWay && underWay.model == end.model &&
           underWay.after == end.after && underWay.sha256 == end.sha256;
}

}  // namespace

THistoryEntry RecoveryEntry(const TRecovery& recovery, std::int64_t now) {
    THistoryEntry entry{now, THistoryOutcome::LeftForUser, {}, {}, {}, {}, recovery.why};
    switch (recovery.outcome) {
    case TRecoveryOutcome::Finished:
        entry.outcome = THistoryOutcome::Finished;
        entry.reason = "finished after the program ended during it: " + recovery.why;
        break;
    case TRecoveryOutcome::RolledBack:
        entry.outcome = THistoryOutcome::RolledBack;
        entry.reason = "rolled back after the program ended during it: " + recovery.why;
        break;
    case TRecoveryOutcome::LeftAsItIs: break;
    case TRecoveryOutcome::Nothing:
        entry.reason =
            "the program ended during the upgrade and left no state to settle: whether its files moved is "
            "not known";
        break;
    }
    return entry;
}

std::string_view OutcomeWord(THistoryOutcome outcome) {
    for (const auto& [known, word] : kOutcomeWords)
        if (known == outcome) return word;
    return "?";
}

THistory ParseHistory(std::string_view bytes) {
    THistory history;
    bool first = true;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (std::exchange(first, false) && line.substr(0, kHistoryMagic.size()) == kHistoryMagic) {
            if (line != kHistoryHeader) throw EHistoryError("it was written by another version of the program");
            continue;
        }
        if (auto entry = ParseHistoryLine(line)) {
            history.entries.push_back(std::move(*entry));
        } else {
            ++history.damaged;
        }
    }
    if (history.entries.size() > limits::kMaxHistoryEntries)
        history.entries.erase(history.entries.begin(),
                              history.entries.end() - static_cast<std::ptrdiff_t>(limits::kMaxHistoryEntries));
    return history;
}

std::string HistoryBytes(const std::vector<THistoryEntry>& entries) {
    std::string bytes = std::string(kHistoryHeader) + '\n';
    const std::size_t skip =
        entries.size() > limits::kMaxHistoryEntries ? entries.size() - limits::kMaxHistoryEntries : 0;
    for (std::size_t i = skip; i < entries.size(); ++i) (bytes += HistoryLine(entries[i])) += '\n';
    return bytes;
}

THistory ReadHistory(const fs::path& file) {
    try {
        // Room for a line end per line and a header; a larger file is no history this program wrote.
        const std::uint64_t limit = (limits::kMaxHistoryEntries + 1) * (limits::kMaxHistoryLineBytes + 1);
        const std::optional<std::string> bytes = platform::ReadSmallFile(file, limit);
        return bytes ? ParseHistory(*bytes) : THistory{};
    } catch (const std::runtime_error& e) {
        throw EHistoryError("the history of upgrades " + file.string() + " cannot be read: " + e.what());
    }
}

void RecordInHistory(const fs::path& file, const THistoryEntry& entry) {
    std::vector<THistoryEntry> entries = ReadHistory(file).entries;
    const auto underWay = std::find_if(entries.rbegin(), entries.rend(),
                                       [&](const THistoryEntry& earlier) { return SameUpgrade(earlier, entry); });
    if (entry.outcome != THistoryOutcome::UnderWay && underWay != entries.rend())
        *underWay = entry;
    else
        entries.push_back(entry);
    WriteHistory(file, entries);
}

std::vector<THistoryEntry> SettleHistory(const fs::path& file, const TRecovery& recovery, std::int64_t now) {
    std::vector<THistoryEntry> entries = ReadHistory(file).entries;
    const THistoryEntry end = RecoveryEntry(recovery, now);
    std::vector<THistoryEntry> settled;
    for (THistoryEntry& entry : entries) {
        if (entry.outcome != THistoryOutcome::UnderWay) continue;
        entry.outcome = end.outcome;
        entry.reason = end.reason;
        settled.push_back(entry);
    }
    if (settled.empty() && recovery.outcome != TRecoveryOutcome::Nothing) {
        settled.push_back(end);
        entries.push_back(end);
    }
    if (!settled.empty()) WriteHistory(file, entries);
    return settled;
}

std::string LastFirmware(const THistory& history, const std::string& model) {
    for (auto entry = history.entries.rbegin(); entry != history.entries.rend(); ++entry)
        if (entry->outcome == THistoryOutcome::Finished && entry->model == model) return entry->after;
    return {};
}

std::string FileSha256(const std::string& path) {
    try {
        const platform::TMappedFile file(path);
        return trust::HexText(trust::Sha256Of(file.Bytes()));
    } catch (const std::exception&) {
        return {};
    }
}

std::string HistoryTraceText(const THistoryEntry& entry) {
    const auto known = [](const std::string& text) { return text.empty() ? std::string("?") : text; };
    std::string text = "history " + UtcTimeText(entry.time) + " " + std::string(OutcomeWord(entry.outcome)) + " " +
                       known(entry.model) + " " + known(entry.before) + " -> " + known(entry.after) + " sha256 " +
                       known(entry.sha256);
    return entry.reason.empty() ? text : text + ": " + entry.reason;
}

}  // namespace yeroup::app::upgrade
