#pragma once
// Where an upgrade keeps its state, and the journal that says how far it got: the next start finishes or rolls
// back an upgrade that a killed run left half done. The journal and the list of changes carry checksums and
// name each other, so a damaged or cut state reads as damaged, never as something else.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace yeroup::app::upgrade {

// In the package store: the journal, the backup of the files the last upgrade replaced, and the backup being
// made or being dropped. In the install folder (the same file system as the files it replaces): the staging
// folder.
struct TUpgradePaths {
    explicit TUpgradePaths(const std::filesystem::path& packageStore);
    static std::filesystem::path StagingFor(const std::filesystem::path& installFolder);

    std::filesystem::path store;
    std::filesystem::path journal;
    std::filesystem::path backup;
    std::filesystem::path newBackup;
    std::filesystem::path oldBackup;
};

// Staging: extracting into the staging folder; the install folder is untouched.
// Commit: every staged file is on the disk with the backup; files are moving into place.
// RollBack: moving back the backup after a failure while committing.
// Done: the new set is in place; only clean-up is left.
enum class TUpgradePhase { Staging, Commit, RollBack, Done };

struct TUpgradeJournal {
    TUpgradePhase phase = TUpgradePhase::Staging;
    std::filesystem::path install;
    std::filesystem::path staging;
    // The list of changes this journal goes with (from the commit on): its line count and CRC-32.
    std::uint64_t changes = 0;
    std::uint32_t changesCrc = 0;
};

// A journal or list of changes that exists but cannot be read, or that does not go with the other: the state
// of an upgrade nobody may act on. The text says which file and why.
class EUpgradeStateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Written durably, so after a power cut the journal is the old one or the new one.
void WriteJournal(const std::filesystem::path& file, const TUpgradeJournal& journal);
// Empty when there is no journal; raises EUpgradeStateError for one that cannot be read.
std::optional<TUpgradeJournal> ReadJournal(const std::filesystem::path& file);
std::string JournalBytes(const TUpgradeJournal& journal);
TUpgradeJournal ParseJournal(std::string_view bytes);

// What the commit does in the install folder, one line per path relative to it. A new folder comes in whole,
// with everything staged in it. `staged` is the file number (inode) of the staged file or folder: a rename
// keeps it, so it tells a moved file from one that never moved or was lost.
enum class TChange : char { NewFolder = 'D', NewFile = 'F', ReplacedFile = 'R' };
struct TManifestLine {
    TChange change;
    std::string path;
    std::uint64_t staged = 0;
};

// Kept in the backup folder, so the backup says what to put back. Writing returns the list's CRC-32, for the
// journal.
inline constexpr const char* kManifestName = "manifest";
std::uint32_t WriteManifest(const std::filesystem::path& file, const std::vector<TManifestLine>& lines);
// The list the journal names: raises EUpgradeStateError when it is missing, damaged or not the one.
std::vector<TManifestLine> ReadManifest(const std::filesystem::path& file, const TUpgradeJournal& journal);
std::string ManifestBytes(const std::vector<TManifestLine>& lines);
// The lines of a list, whatever journal it goes with; raises EUpgradeStateError for a malformed one.
std::vector<TManifestLine> ParseManifest(std::string_view bytes);
// The lines of the list the journal names; raises EUpgradeStateError for a malformed one or another list.
std::vector<TManifestLine> ParseManifest(std::string_view bytes, const TUpgradeJournal& journal);

}  // namespace yeroup::app::upgrade
