// The firmware upgrade: extract the stored package into the player software's folder, all or nothing, then start
// its updater.
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/core/StartFailure.h"
#include "app/core/Texts.h"
#include "app/core/UnsettledUpgrade.h"
#include "app/core/UpdaterRecord.h"
#include "app/forms/MainForm.h"
#include "app/ui/Translation.h"
#include "app/upgrade/PackageUpgrade.h"

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

void TForm2::Button2Click() {
    const std::string folder = splash_.InstallFolder;
    // Without the player software's folder the package would land in whatever the current folder is.
    if (folder.find_first_not_of(" \t") == std::string::npos) {
        services_.MessageBoxes.MessageBox(this, Tr(texts::kNoInstallFolder), Tr(texts::kHintCaption),
                                          MB_OK | MB_ICONWARNING);
        return;
    }
    // Extracting under the updater the last upgrade started (in this run or an earlier one) would change the files
    // it is flashing from.
    const std::string updater = folder + "/" + texts::kUpdaterProgram;
    if (services_.Processes.StillRunning(updater) ||
        RunningUpdater(services_.Files.PackageStore(), services_.Processes)) {
        services_.Trace.Line("upgrade", "refused while the updater started before still runs");
        services_.MessageBoxes.MessageBox(this, Tr(texts::kUpdaterStillRunning), Tr(texts::kHintCaption),
                                          MB_OK | MB_ICONWARNING);
        return;
    }
    if (!StoredPackageVerified(SelectedModel(), SelectedFirmware())) return;
    const std::string package = services_.Files.PackageFile(SelectedModel(), SelectedFirmware());
    upgrade::TUpgradeResult result;
    try {
        upgrade::TPackageUpgrade transaction(services_.Files.PackageStore());
        result = transaction.Run(*Archiver, package, folder);
    } catch (...) {
        services_.Trace.Line("error", "upgrade ended by an error: " + CurrentErrorText());
        Archiver->CloseArchive();
        return;
    }
    if (result.recovery.outcome != upgrade::TRecoveryOutcome::Nothing)
        services_.Trace.Line("upgrade", "recovery " + upgrade::RecoveryText(result.recovery));
    services_.Trace.Line("upgrade", OutcomeText(result));
    switch (result.outcome) {
    case upgrade::TUpgradeOutcome::Done: break;
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
    if (services_.MessageBoxes.MessageBox(this, Tr(texts::kConnectPlayer), Tr(texts::kConnectPlayerCaption),
                                          MB_OKCANCEL | MB_ICONWARNING) == IDOK) {
        const auto started = services_.Processes.ShellExecute("open", updater, texts::kUpdaterParameters, folder, 1);
        TraceStart(services_.Trace, updater, texts::kUpdaterParameters, folder, started);
        RecordStartedUpdater(updater);
        if (started != platform::TStartResult::Started)
            services_.MessageBoxes.MessageBox(this, Tr(StartFailureText(started, texts::kUpdaterNotStarted, updater)),
                                              Tr(texts::kHintCaption), MB_OK | MB_ICONERROR);
    }
}

}  // namespace yeroup::app
