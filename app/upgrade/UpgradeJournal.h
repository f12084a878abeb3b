#pragma once
// Where an upgrade keeps its state, and the journal that says how far it got: the next start finishes or rolls
// back an upgrade that a killed run left half done.
#include <filesystem>
#include <optional>
#include <string>
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
};

// Written durably, so after a power cut the journal is the old one or the new one.
void WriteJournal(const std::filesystem::path& file, const TUpgradeJournal& journal);
// Empty when there is no journal or it cannot be read.
std::optional<TUpgradeJournal> ReadJournal(const std::filesystem::path& file);

// What the commit does in the install folder, one line per path relative to it. A new folder comes in whole,
// with everything staged in it.
enum class TChange : char { NewFolder = 'D', NewFile = 'F', ReplacedFile = 'R' };
struct TManifestLine {
    TChange change;
    std::string path;
};

// Kept in the backup folder, so the backup says what to put back.
inline constexpr const char* kManifestName = "manifest";
void WriteManifest(const std::filesystem::path& file, const std::vector<TManifestLine>& lines);
std::vector<TManifestLine> ReadManifest(const std::filesystem::path& file);

}  // namespace yeroup::app::upgrade
