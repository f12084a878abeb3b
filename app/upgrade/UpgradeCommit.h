#pragma once
// The steps after staging, shared by the upgrade and by the recovery at start-up: moving the staged files into
// place, putting the backup back, and the clean-up after either. Every step can be repeated after a kill.
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/upgrade/UpgradeJournal.h"

namespace yeroup::app::upgrade {

// Called after each step that changes the disk; a test stops the process there.
using TStepHook = std::function<void()>;

// A file of the install folder that could not be written: its path and the system's error number.
class ECommitError : public std::runtime_error {
public:
    ECommitError(const std::filesystem::path& file, int error);
    const std::filesystem::path& File() const { return file_; }
    int Error() const { return error_; }

private:
    std::filesystem::path file_;
    int error_;
};

// A hard link when both sides share a file system, else a copy that keeps the mode and times; replaces `to`.
// Raises ECommitError naming `to`.
void LinkOrCopy(const std::filesystem::path& from, const std::filesystem::path& to);

// Where a line of the list of changes stands: still in the staging folder, moved into place (the install folder
// holds the very file or folder staged), or neither (lost, or already put back).
enum class TLineState { Staged, Moved, Gone };
TLineState StateOf(const TUpgradeJournal& journal, const TManifestLine& line);

// Why the staged set cannot be moved into place: a new file neither staged nor in place, or a file still to be
// replaced whose backup is missing (replacing it would lose it). Empty when it can.
std::string CannotFinish(const TUpgradeJournal& journal, const std::vector<TManifestLine>& manifest,
                         const std::filesystem::path& backup);
// Why the previous set cannot be put back: a replaced file whose backup is missing. Empty when it can.
std::string CannotRollBack(const TUpgradeJournal& journal, const std::vector<TManifestLine>& manifest,
                           const std::filesystem::path& backup);

// Moves every file and folder still in the staging folder into place, then flushes the install folder's file
// system. Raises ECommitError for one that cannot be moved or is lost.
void MoveIntoPlace(const TUpgradeJournal& journal, const std::vector<TManifestLine>& manifest, const TStepHook& step);

// Puts back the replaced files from the backup and removes the new files and folders, of what was moved in,
// then flushes. False when a replaced file could not be put back.
bool PutBack(const TUpgradeJournal& journal, const std::vector<TManifestLine>& manifest,
             const std::filesystem::path& backup, const TStepHook& step);

// Removes the staging folder; after a commit makes the new backup the last one (dropping the one before),
// after a roll back drops the new backup; removes the journal last, and only when all that went. False when
// something is left (the journal then stays for the next start).
bool CleanUp(const TUpgradePaths& paths, const TUpgradeJournal& journal, bool committed, const TStepHook& step);

}  // namespace yeroup::app::upgrade
