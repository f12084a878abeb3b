#include "app/upgrade/UpgradeJournal.h"

#include <zlib.h>

#include <charconv>
#include <cstdio>

#include "app/core/Limits.h"
#include "platform/files/AtomicWrite.h"
#include "platform/files/SmallFile.h"

namespace yeroup::app::upgrade {

namespace fs = std::filesystem;

namespace {

// Records end in a zero byte: names from an archive may hold any other byte, line ends included.
constexpr std::string_view kJournalMagic = "yeroup-upgrade-2";
constexpr std::size_t kJournalRecords = 7;  // magic, phase, install, staging, changes, their CRC, the journal's CRC
constexpr char kPhaseLetters[] = {'S', 'C', 'R', 'D'};

[[noreturn]] void Bad(const std::string& why) { throw EUpgradeStateError(why); }

std::uint32_t Crc(std::string_view bytes) {
    return static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string Hex(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value, int base) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

// The records of bytes, each ended by a zero byte; bytes after the last one mean the file was cut.
std::vector<std::string_view> Records(std::string_view bytes, std::string_view what) {
    std::vector<std::string_view> records;
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\0'); end != std::string_view::npos; end = bytes.find('\0', start)) {
        records.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    if (start != bytes.size()) Bad(std::string(what) + " ends in the middle of a record: it was cut short");
    return records;
}

void AppendRecord(std::string& bytes, std::string_view record) { (bytes += record) += '\0'; }

// A path of the list that would reach outside the install folder (or the staging folder and backup beside it).
bool LeavesFolder(const fs::path& relative) {
    if (relative.is_absolute()) return true;
    for (const fs::path& part : relative)
        if (part == "..") return true;
    return false;
}

// The whole file, or nothing when there is none; raises for one that cannot be read or is larger than limit.
std::optional<std::string> ReadStateFile(const fs::path& file, std::uint64_t limit) {
    try {
        return platform::ReadSmallFile(file, limit);
    } catch (const platform::EFileReadError& e) {
        Bad(e.what());
    }
}

}  // namespace

TUpgradePaths::TUpgradePaths(const fs::path& packageStore)
    : store(packageStore),
      journal(packageStore / "upgrade-journal"),
      backup(packageStore / "upgrade-backup"),
      newBackup(packageStore / "upgrade-backup.new"),
      oldBackup(packageStore / "upgrade-backup.old") {}

fs::path TUpgradePaths::StagingFor(const fs::path& installFolder) { return installFolder / ".yeroup-staging"; }

std::string JournalBytes(const TUpgradeJournal& journal) {
    std::string bytes;
    AppendRecord(bytes, kJournalMagic);
    AppendRecord(bytes, std::string(1, kPhaseLetters[static_cast<int>(journal.phase)]));
    AppendRecord(bytes, journal.install.string());
    AppendRecord(bytes, journal.staging.string());
    AppendRecord(bytes, std::to_string(journal.changes));
    AppendRecord(bytes, Hex(journal.changesCrc));
    AppendRecord(bytes, Hex(Crc(bytes)));
    return bytes;
}

TUpgradeJournal ParseJournal(std::string_view bytes) {
    if (bytes.size() > static_cast<std::uint64_t>(limits::kMaxJournalBytes))
        Bad("it holds more than " + std::to_string(limits::kMaxJournalBytes) + " bytes");
    const std::vector<std::string_view> records = Records(bytes, "it");
    if (records.empty() || records[0] != kJournalMagic) Bad("it is no journal this version of the program wrote");
    if (records.size() != kJournalRecords) Bad("it holds " + std::to_string(records.size()) + " records, not 7");
    std::uint32_t crc = 0;
    const std::size_t checked = bytes.size() - records.back().size() - 1;
    if (!ParseNumber(records.back(), crc, 16) || crc != Crc(bytes.substr(0, checked)))
        Bad("its checksum does not match: it is damaged");
    TUpgradeJournal journal;
    bool known = false;
    for (int phase = 0; phase < 4; ++phase) {
        if (records[1].size() != 1 || records[1][0] != kPhaseLetters[phase]) continue;
        journal.phase = static_cast<TUpgradePhase>(phase);
        known = true;
    }
    if (!known) Bad("its phase \"" + std::string(records[1]) + "\" is unknown");
    if (records[2].empty() || records[3].empty()) Bad("it names no install or staging folder");
    journal.install = std::string(records[2]);
    journal.staging = std::string(records[3]);
    if (!ParseNumber(records[4], journal.changes, 10) || journal.changes > limits::kMaxChangeLines)
        Bad("its count of changes \"" + std::string(records[4]) + "\" is not one of at most " +
            std::to_string(limits::kMaxChangeLines));
    if (records[5].size() != 8 || !ParseNumber(records[5], journal.changesCrc, 16))
        Bad("the checksum it gives for the list of changes is malformed");
    return journal;
}

void WriteJournal(const fs::path& file, const TUpgradeJournal& journal) {
    const std::string bytes = JournalBytes(journal);
    platform::ReplaceFileAtomically(file, bytes.data(), bytes.size());
}

std::optional<TUpgradeJournal> ReadJournal(const fs::path& file) {
    try {
        const std::optional<std::string> bytes =
            ReadStateFile(file, static_cast<std::uint64_t>(limits::kMaxJournalBytes));
        if (!bytes) return std::nullopt;
        return ParseJournal(*bytes);
    } catch (const EUpgradeStateError& e) {
        throw EUpgradeStateError("the upgrade journal " + file.string() + " cannot be read: " + e.what());
    }
}

std::string ManifestBytes(const std::vector<TManifestLine>& lines) {
    std::string bytes;
    for (const TManifestLine& line : lines)
        AppendRecord(bytes, static_cast<char>(line.change) + std::to_string(line.staged) + '|' + line.path);
    return bytes;
}

std::vector<TManifestLine> ParseManifest(std::string_view bytes) {
    std::vector<TManifestLine> lines;
    for (const std::string_view record : Records(bytes, "it")) {
        const std::string number = std::to_string(lines.size() + 1);
        if (lines.size() == limits::kMaxChangeLines)
            Bad("it holds more than " + std::to_string(limits::kMaxChangeLines) + " lines");
        if (record.size() > limits::kMaxChangeLineBytes)
            Bad("line " + number + " is longer than " + std::to_string(limits::kMaxChangeLineBytes) + " bytes");
        const std::size_t bar = record.find('|');
        TManifestLine line{static_cast<TChange>(record.empty() ? '\0' : record[0]), {}, 0};
        const bool known = line.change == TChange::NewFolder || line.change == TChange::NewFile ||
                           line.change == TChange::ReplacedFile;
        if (!known || bar == std::string_view::npos || bar + 1 == record.size() ||
            !ParseNumber(record.substr(1, bar - 1), line.staged, 10))
            Bad("line " + number + " is malformed");
        line.path = std::string(record.substr(bar + 1));
        if (LeavesFolder(line.path)) Bad("line " + number + " names a path outside the install folder");
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<TManifestLine> ParseManifest(std::string_view bytes, const TUpgradeJournal& journal) {
    if (Crc(bytes) != journal.changesCrc) Bad("its checksum is not the one the journal gives: it is damaged");
    std::vector<TManifestLine> lines = ParseManifest(bytes);
    if (lines.size() != journal.changes)
        Bad("it holds " + std::to_string(lines.size()) + " changes where the journal gives " +
            std::to_string(journal.changes));
    return lines;
}

std::uint32_t WriteManifest(const fs::path& file, const std::vector<TManifestLine>& lines) {
    const std::string bytes = ManifestBytes(lines);
    platform::ReplaceFileAtomically(file, bytes.data(), bytes.size());
    return Crc(bytes);
}

std::vector<TManifestLine> ReadManifest(const fs::path& file, const TUpgradeJournal& journal) {
    try {
        const std::optional<std::string> bytes = ReadStateFile(file, journal.changes * limits::kMaxChangeLineBytes);
        if (!bytes) Bad("it is missing");
        return ParseManifest(*bytes, journal);
    } catch (const EUpgradeStateError& e) {
        throw EUpgradeStateError("the list of changes " + file.string() + " cannot be read: " + e.what());
    }
}

}  // namespace yeroup::app::upgrade
