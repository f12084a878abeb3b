#include "app/upgrade/UpgradeJournal.h"

#include <fstream>
#include <iterator>

#include "platform/files/AtomicWrite.h"

namespace yeroup::app::upgrade {

namespace fs = std::filesystem;

namespace {

// Records end in a zero byte: names from an archive may hold any other byte, line ends included.
constexpr const char* kJournalMagic = "yeroup-upgrade-1";
constexpr char kPhaseLetters[] = {'S', 'C', 'R', 'D'};

std::vector<std::string> ReadRecords(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> records;
    std::size_t start = 0;
    for (std::size_t end = bytes.find('\0'); end != std::string::npos; end = bytes.find('\0', start)) {
        records.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return records;
}

void WriteRecords(const fs::path& file, const std::vector<std::string>& records) {
    std::string bytes;
    for (const std::string& record : records) (bytes += record) += '\0';
    platform::ReplaceFileAtomically(file, bytes.data(), bytes.size());
}

}  // namespace

TUpgradePaths::TUpgradePaths(const fs::path& packageStore)
    : store(packageStore),
      journal(packageStore / "upgrade-journal"),
      backup(packageStore / "upgrade-backup"),
      newBackup(packageStore / "upgrade-backup.new"),
      oldBackup(packageStore / "upgrade-backup.old") {}

fs::path TUpgradePaths::StagingFor(const fs::path& installFolder) { return installFolder / ".yeroup-staging"; }

void WriteJournal(const fs::path& file, const TUpgradeJournal& journal) {
    WriteRecords(file, {kJournalMagic, std::string(1, kPhaseLetters[static_cast<int>(journal.phase)]),
                        journal.install.string(), journal.staging.string()});
}

std::optional<TUpgradeJournal> ReadJournal(const fs::path& file) {
    const std::vector<std::string> records = ReadRecords(file);
    if (records.size() != 4 || records[0] != kJournalMagic || records[1].size() != 1) return std::nullopt;
    TUpgradeJournal journal;
    bool known = false;
    for (int phase = 0; phase < 4; ++phase) {
        if (records[1][0] != kPhaseLetters[phase]) continue;
        journal.phase = static_cast<TUpgradePhase>(phase);
        known = true;
    }
    if (!known || records[2].empty() || records[3].empty()) return std::nullopt;
    journal.install = records[2];
    journal.staging = records[3];
    return journal;
}

void WriteManifest(const fs::path& file, const std::vector<TManifestLine>& lines) {
    std::vector<std::string> records;
    records.reserve(lines.size());
    for (const TManifestLine& line : lines) records.push_back(static_cast<char>(line.change) + line.path);
    WriteRecords(file, records);
}

std::vector<TManifestLine> ReadManifest(const fs::path& file) {
    std::vector<TManifestLine> lines;
    for (const std::string& record : ReadRecords(file)) {
        if (record.size() < 2) continue;
        const char c = record[0];
        if (c == 'D' || c == 'F' || c == 'R') lines.push_back({static_cast<TChange>(c), record.substr(1)});
    }
    return lines;
}

}  // namespace yeroup::app::upgrade
