// The firmware upgrade: extract the stored package into the player software's folder, all or nothing, then start
// its updater; each upgrade goes into the history, which a window of its own shows.
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/core/StartFailure.h"
#include "app/core/Texts.h"
#include "app/core/UnsettledUpgrade.h"
#include "app/core/UpdaterRecord.h"
#include "app/forms/HistoryForm.h"
#include "app/forms/MainForm.h"
#include "app/ui/Translation.h"
#include "app/upgrade/PackageUpgrade.h"
#include "platform/text/CodePages.h"

namespace yeroup::app {

namespace {

std::string OutcomeText(const upgrade::TUpgradeResult& result) {
    std::string text;
    switch (result.outcome) {
    case upgrade::TUpgradeOutcome::Done: text = "done"; break;
    case upgrade::TUpgradeOutcome::PackageMissing: text = "the package is missing"; break;
    case upgrade::TUpgradeOutcome::PackageDamaged: text = "the package is damaged"; break;
    case upgrade::TUpgradeOutcome::CannotWrite:
        text = "cannot write " + result.file + " (" + std::strerror(result.error) + ")";
        break;
    case upgrade::TUpgradeOutcome::Unsettled: text = "refused while an interrupted upgrade is unsettled"; break;
    }
    return result.why.empty() ? text : text + ": " + result.why;
}

// Every failure of the transaction itself leaves the install folder as it was.
upgrade::THistoryOutcome HistoryOutcome(upgrade::TUpgradeOutcome outcome) {
    switch (outcome) {
    case upgrade::TUpgradeOutcome::Done: return upgrade::THistoryOutcome::Finished;
    case upgrade::TUpgradeOutcome::CannotWrite: return upgrade::THistoryOutcome::RolledBack;
    case upgrade::TUpgradeOutcome::PackageMissing:
    case upgrade::TUpgradeOutcome::PackageDamaged:
    case upgrade::TUpgradeOutcome::Unsettled: break;
    }
    return upgrade::THistoryOutcome::Refused;
}

}  // namespace

std::string TForm2::WriteFailureReason(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT: return Tr(texts::kReasonDiskFull);
    case EACCES:
    case EPERM:
    case EROFS: return Tr(texts::kReasonNoPermission);
    case 0:
    case EBUSY:
    case ETXTBSY: return Tr(texts::kReasonInUse);
    case EISDIR:
    case ENOTDIR:
    case EEXIST: return Tr(texts::kReasonNameTaken);
    default: return std::strerror(error);
    }
}

void TForm2::RecordStartedUpdater(const std::string& updater) {
    const auto process = services_.Processes.StartedIdentity(updater);
    if (!process) return;
    try {
        RecordUpdater(services_.Files.PackageStore(), *process);
    } catch (const std::exception& e) {
        services_.Trace.Line("error", std::string("the updater's process cannot be recorded: ") + e.what());
    }
}

upgrade::THistoryEntry TForm2::HistoryEntry(const std::string& packageSha256) const {
    upgrade::THistoryEntry entry;
    entry.time = services_.UnixTime();
    entry.model = platform::AnsiToUtf8(SelectedModel());
    entry.after = platform::AnsiToUtf8(SelectedFirmware());
    entry.sha256 = packageSha256;
    // Nothing on this computer says which firmware the player holds: the last one this program put in is the best
    // knowledge there is.
    try {
        entry.before = upgrade::LastFirmware(upgrade::ReadHistory(services_.Files.HistoryFile()), entry.model);
    } catch (const std::exception& e) {
        services_.Trace.Line("error", e.what());
    }
    return entry;
}

void TForm2::RecordUpgrade(upgrade::THistoryEntry entry, upgrade::THistoryOutcome outcome, std::string reason) {
    entry.outcome = outcome;
    entry.reason = std::move(reason);
    services_.Trace.Line("upgrade", upgrade::HistoryTraceText(entry));
    try {
        upgrade::RecordInHistory(services_.Files.HistoryFile(), entry);
    } catch (const std::exception& e) {
        services_.Trace.Line("error", std::string("the upgrade is not in the history: ") + e.what());
    }
}

void TForm2::ShowHistory() {
    upgrade::THistory history;
    std::string error;
    try {
        history = upgrade::ReadHistory(services_.Files.HistoryFile());
    } catch (const upgrade::EHistoryError& e) {
        error = e.what();
        services_.Trace.Line("error", error);
    }
    auto* form = new THistoryForm(history, error, this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->open();
}

void TForm2::Button2Click() {
    const std::string folder = splash_.InstallFolder;
    using upgrade::THistoryOutcome;
    // Without the player software's folder the package would land in whatever the current folder is.
    if (folder.find_first_not_of(" \t") == std::string::npos) {
        RecordUpgrade(HistoryEntry({}), THistoryOutcome::Refused, "no folder of the player software is registered");
        services_.MessageBoxes.MessageBox(this, Tr(texts::kNoInstallFolder), Tr(texts::kHintCaption),
                                          MB_OK | MB_ICONWARNING);
        return;
    }
    // Extracting under the updater the last upgrade started (in this run or an earlier one) would change the files
    // it is flashing from.
    const std::string updater = folder + "/" + texts::kUpdaterProgram;
    if (services_.Processes.StillRunning(updater) ||
        RunningUpdater(services_.Files.PackageStore(), services_.Processes)) {
        RecordUpgrade(HistoryEntry({}), THistoryOutcome::Refused, "the updater started before still runs");
        services_.MessageBoxes.MessageBox(this, Tr(texts::kUpdaterStillRunning), Tr(texts::kHintCaption),
                                          MB_OK | MB_ICONWARNING);
        return;
    }
    const std::string package = services_.Files.PackageFile(SelectedModel(), SelectedFirmware());
    const upgrade::THistoryEntry entry = HistoryEntry(upgrade::FileSha256(package));
    if (const std::string refusal = StoredPackageRefusal(SelectedModel(), SelectedFirmware()); !refusal.empty()) {
        RecordUpgrade(entry, THistoryOutcome::Refused, refusal);
        return;
    }
    RecordUpgrade(entry, THistoryOutcome::UnderWay, {});
    upgrade::TUpgradeResult result;
    try {
        upgrade::TPackageUpgrade transaction(services_.Files.PackageStore());
        result = transaction.Run(*Archiver, package, folder);
    } catch (...) {
        services_.Trace.Line("error", "upgrade ended by an error: " + CurrentErrorText());
        // The transaction is all or nothing: what it did is undone, or settled at the next start.
        RecordUpgrade(entry, THistoryOutcome::RolledBack, "ended by an error: " + CurrentErrorText());
        Archiver->CloseArchive();
        return;
    }
    if (result.recovery.outcome != upgrade::TRecoveryOutcome::Nothing) {
        services_.Trace.Line("upgrade", "recovery " + upgrade::RecoveryText(result.recovery));
        const upgrade::THistoryEntry earlier = upgrade::RecoveryEntry(result.recovery, entry.time);
        RecordUpgrade(earlier, earlier.outcome, earlier.reason);
    }
    services_.Trace.Line("upgrade", OutcomeText(result));
    if (result.outcome != upgrade::TUpgradeOutcome::Done) {
        RecordUpgrade(entry, HistoryOutcome(result.outcome), OutcomeText(result));
        TellUpgradeFailure(result, package);
        return;
    }
    StartUpdater(entry, updater, folder);
}

void TForm2::TellUpgradeFailure(const upgrade::TUpgradeResult& result, const std::string& package) {
    switch (result.outcome) {
    case upgrade::TUpgradeOutcome::Done: return;
    case upgrade::TUpgradeOutcome::PackageMissing: ShowHidP3(); return;
    case upgrade::TUpgradeOutcome::PackageDamaged: {
        // A fresh copy is what helps: the download button offers one once this one is gone.
        std::error_code ec;
        std::filesystem::remove(package, ec);
        services_.MessageBoxes.MessageBox(this, Tr(texts::kPackageDamaged), Tr(texts::kHintCaption),
                                          MB_OK | MB_ICONWARNING);
        ShowHidP3();
        return;
    }
    case upgrade::TUpgradeOutcome::CannotWrite: {
        services_.MessageBoxes.MessageBox(this,
                                          Tr({texts::kCannotWrite, {result.file, WriteFailureReason(result.error)}}),
                                          Tr(texts::kHintCaption), MB_OK | MB_ICONWARNING);
        return;
    }
    case upgrade::TUpgradeOutcome::Unsettled:
        services_.MessageBoxes.MessageBox(this,
                                          UnsettledUpgradeText(texts::kUpgradeRefusedUnsettled, result.file, TrMessage),
                                          Tr(texts::kHintCaption), MB_OK | MB_ICONWARNING);
        return;
    }
}

void TForm2::StartUpdater(const upgrade::THistoryEntry& entry, const std::string& updater, const std::string& folder) {
    using upgrade::THistoryOutcome;
    if (services_.MessageBoxes.MessageBox(this, Tr(texts::kConnectPlayer), Tr(texts::kConnectPlayerCaption),
                                          MB_OKCANCEL | MB_ICONWARNING) != IDOK) {
        RecordUpgrade(entry, THistoryOutcome::Refused,
                      "the user declined to start the updater: the files are in place, the player is not flashed");
        return;
    }
    const auto started = services_.Processes.ShellExecute("open", updater, texts::kUpdaterParameters, folder, 1);
    TraceStart(services_.Trace, updater, texts::kUpdaterParameters, folder, started);
    RecordStartedUpdater(updater);
    if (started == platform::TStartResult::Started) {
        RecordUpgrade(entry, THistoryOutcome::Finished, {});
        return;
    }
    RecordUpgrade(entry, THistoryOutcome::LeftForUser,
                  "the files are in place, but the updater could not be started: " + updater);
    services_.MessageBoxes.MessageBox(this, Tr(StartFailureText(started, texts::kUpdaterNotStarted, updater)),
                                      Tr(texts::kHintCaption), MB_OK | MB_ICONERROR);
}

}  // namespace yeroup::app
