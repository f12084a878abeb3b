#include "app/Startup.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "app/core/RegisteredFolder.h"
#include "app/core/Texts.h"
#include "app/core/UnsettledUpgrade.h"
#include "app/core/UpdaterRecord.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "app/ui/Translation.h"
#include "app/upgrade/StartupRecovery.h"
#include "app/upgrade/UpgradeHistory.h"
#include "platform/files/AtomicWrite.h"

namespace yeroup::app {

std::unique_ptr<platform::TNamedMutex> SingleInstanceGuard(IMessageBoxes& boxes,
                                                           const std::filesystem::path& lockFolder) {
    auto mutex = std::make_unique<platform::TNamedMutex>("RunOnlyOnce_Tavik", lockFolder);
    if (!mutex->AlreadyExisted()) return mutex;
    boxes.MessageBox(nullptr, Tr(texts::kAlreadyRunning), Tr(texts::kAlreadyRunningCaption), MB_OK | MB_ICONWARNING);
    return nullptr;
}

namespace {

// A registry that cannot be read names no folder: an interrupted upgrade then stays as it is.
std::string InstallFolderOrNone(const TAppServices& services) {
    try {
        return RegisteredInstallFolder(services.RegistryFile);
    } catch (const std::exception& e) {
        services.Trace.Line("error", std::string("the registry cannot be read: ") + e.what());
        return {};
    }
}

// An upgrade a killed run left under way ends in the history as the recovery ended it.
void SettleUpgradeHistory(const TAppServices& services, const upgrade::TRecovery& recovery) {
    try {
        for (const upgrade::THistoryEntry& entry :
             upgrade::SettleHistory(services.Files.HistoryFile(), recovery, services.UnixTime()))
            services.Trace.Line("upgrade", upgrade::HistoryTraceText(entry));
    } catch (const std::exception& e) {
        services.Trace.Line("error", std::string("the history of upgrades is not settled: ") + e.what());
    }
}

}  // namespace

int RunStartup(const TAppServices& services, const TStartupHooks& hooks) {
    QCoreApplication::setApplicationName(QString::fromUtf8(texts::kApplicationTitle));
    // What a killed earlier run left: an upgrade to finish or roll back, temporaries of interrupted saves.
    const upgrade::TRecovery recovery = upgrade::RecoverAtStartup(
        services.Files.ExeFolder(), services.Files.PackageStore(), InstallFolderOrNone(services));
    const std::string catalogue = services.Files.CatalogueFile();
    platform::SettleFilesReplacedTogether(catalogue, TAppFiles::SignatureOf(catalogue));
    if (recovery.outcome != upgrade::TRecoveryOutcome::Nothing)
        services.Trace.Line("upgrade", "recovery " + upgrade::RecoveryText(recovery));
    SettleUpgradeHistory(services, recovery);
    if (recovery.outcome == upgrade::TRecoveryOutcome::LeftAsItIs)
        services.MessageBoxes.MessageBox(
            nullptr, UnsettledUpgradeText(texts::kUpgradeLeftAsItIs, recovery.backup.string(), TrMessage),
            Tr(texts::kHintCaption), MB_OK | MB_ICONWARNING);

    if (const auto updater = RunningUpdater(services.Files.PackageStore(), services.Processes))
        services.Trace.Line("upgrade", "the updater an earlier run started still runs (process " +
                                           platform::IdentityText(*updater) + "); no upgrade until it ends");

    TForm1 splash(services);
    splash.show();
    splash.repaint();
    // The splash timer's handler stops the timer first and then runs the checks: wait for it without blocking.
    while (splash.Timer1->isActive()) QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (splash.TerminateRequested()) return 0;

    TForm2 form(services, splash);
    splash.hide();
    QEventLoop loop;
    form.OnClosed = [&loop] { loop.quit(); };
    form.show();
    if (hooks.mainWindowShown) hooks.mainWindowShown(splash, form);
    loop.exec();
    return 0;
}

}  // namespace yeroup::app
