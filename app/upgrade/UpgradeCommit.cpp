#include "app/upgrade/UpgradeCommit.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/files/Files.h"

namespace yeroup::app::upgrade {

namespace fs = std::filesystem;

namespace {

void Step(const TStepHook& step) {
    if (step) step();
}

// Beside the file it will replace, so the rename that puts it there is atomic.
fs::path RestoreTemporaryFor(const fs::path& target) {
    return target.parent_path() / (".yeroup-restore-" + target.filename().string());
}

// Copies a file's bytes, mode and times; 0, or the system's own error number (a full disk stays "no space left").
int CopyFile(const fs::path& from, const fs::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    struct stat st {};
    int error = 0;
    int out = -1;
    if (::fstat(in, &st) != 0)
        error = errno;
    else if ((out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 07777)) < 0)
        error = errno;
    for (off_t left = st.st_size; error == 0 && left > 0;) {
        const ssize_t n = ::sendfile(out, in, nullptr, static_cast<std::size_t>(left));
        if (n < 0 && errno != EINTR) error = errno;
        if (n == 0) break;  // the file became shorter meanwhile
        if (n > 0) left -= n;
    }
    if (error == 0) {
        ::fchmod(out, st.st_mode & 07777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
    }
    if (out >= 0 && ::close(out) != 0 && error == 0) error = errno;
    ::close(in);
    return error;
}

}  // namespace

ECommitError::ECommitError(const fs::path& file, int error)
    : std::runtime_error("Cannot write \"" + file.string() + "\""), file_(file), error_(error) {}

void LinkOrCopy(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::remove(to, ec);
    if (::link(from.c_str(), to.c_str()) == 0) return;
    if (fs::is_symlink(fs::symlink_status(from, ec))) {
        fs::copy_symlink(from, to, ec);
        if (ec) throw ECommitError(to, ec.value());
    } else if (const int error = CopyFile(from, to); error != 0) {
        throw ECommitError(to, error);
    }
}

TLineState StateOf(const TUpgradeJournal& journal, const TManifestLine& line) {
    struct stat st {};
    if (::lstat((journal.staging / line.path).c_str(), &st) == 0) return TLineState::Staged;
    if (::lstat((journal.install / line.path).c_str(), &st) == 0 && st.st_ino == line.staged) return TLineState::Moved;
    return TLineState::Gone;
}

std::string CannotFinish(const TUpgradeJournal& journal, const std::vector<TManifestLine>& manifest,
                         const fs::path& backup) {
    for (const TManifestLine& line : manifest) {
        const TLineState state = StateOf(journal, line);
        if (state == TLineState::Gone) return "the new file " + line.path + " is neither staged nor in place";
        if (state == TLineState::Staged && line.change == TChange::ReplacedFile &&
            !platform::AnythingAt((backup / line.path).string()))
            return "the backup of " + line.path + ", still to be replaced, is missing";
    }
    return {};
}

std::string CannotRollBack(const TUpgradeJournal& journal, const std::vector<TManifestLine>& manifest,
                           const fs::path& backup) {
    for (const TManifestLine& line : manifest)
        if (line.change == TChange::ReplacedFile && StateOf(journal, line) == TLineState::Moved &&
            !platform::AnythingAt((backup / line.path).string()))
            return "the backup of the replaced file " + line.path + " is missing";
    return {};
}

void MoveIntoPlace(const TUpgradeJournal& journal, const std::vector<TManifestLine>& manifest, const TStepHook& step) {
    for (const TManifestLine& line : manifest) {
        const fs::path target = journal.install / line.path;
        const fs::path staged = journal.staging / line.path;
        switch (StateOf(journal, line)) {
        case TLineState::Moved: continue;  // before a kill
        case TLineState::Gone: throw ECommitError(target, ENOENT);
        case TLineState::Staged: break;
        }
        if (std::rename(staged.c_str(), target.c_str()) != 0) throw ECommitError(target, errno);
        Step(step);
    }
    if (!platform::SyncFileSystem(journal.install.string())) throw ECommitError(journal.install, errno);
}

bool PutBack(const TUpgradeJournal& journal, const std::vector<TManifestLine>& manifest, const fs::path& backup,
             const TStepHook& step) {
    bool complete = true;
    for (auto line = manifest.rbegin(); line != manifest.rend(); ++line) {
        // Only what this upgrade moved in: a file still staged never arrived, one put back already is the old one.
        if (StateOf(journal, *line) != TLineState::Moved) continue;
        const fs::path target = journal.install / line->path;
        std::error_code ec;
        switch (line->change) {
        case TChange::ReplacedFile: {
            const fs::path temporary = RestoreTemporaryFor(target);
            try {
                LinkOrCopy(backup / line->path, temporary);
                if (std::rename(temporary.c_str(), target.c_str()) != 0) throw ECommitError(target, errno);
            } catch (const ECommitError&) {
                fs::remove(temporary, ec);
                complete = false;
            }
            break;
        }
        case TChange::NewFile: fs::remove(target, ec); break;
        case TChange::NewFolder: fs::remove_all(target, ec); break;
        }
        Step(step);
    }
    return platform::SyncFileSystem(journal.install.string()) && complete;
}

bool CleanUp(const TUpgradePaths& paths, const TUpgradeJournal& journal, bool committed, const TStepHook& step) {
    std::error_code ec;
    fs::remove_all(journal.staging, ec);
    Step(step);
    if (committed && platform::AnythingAt(paths.newBackup.string())) {
        // Keep the last backup only: the new one takes the place of the one before.
        fs::remove_all(paths.oldBackup, ec);
        if (platform::AnythingAt(paths.backup.string())) fs::rename(paths.backup, paths.oldBackup, ec);
        Step(step);
        fs::rename(paths.newBackup, paths.backup, ec);
        Step(step);
    }
    fs::remove_all(paths.oldBackup, ec);
    if (!committed) fs::remove_all(paths.newBackup, ec);
    platform::SyncFolder(paths.store.string());
    // The journal goes last, and only once nothing it speaks of is left.
    const bool complete = !platform::AnythingAt(journal.staging.string()) &&
                          !platform::AnythingAt(paths.newBackup.string()) &&
                          !platform::AnythingAt(paths.oldBackup.string());
    if (complete) fs::remove(paths.journal, ec);
    platform::SyncFolder(paths.store.string());
    Step(step);
    return complete;
}

}  // namespace yeroup::app::upgrade
