// YEROUP: firmware live update for portable MP3 players.
#include <QApplication>
#include <cstdio>

#include "app/CommandLine.h"
#include "app/Display.h"
#include "app/Startup.h"
#include "app/core/AppFiles.h"
#include "app/ui/MessageBoxes.h"
#include "app/ui/Translation.h"
#include "platform/files/DataFolder.h"
#include "platform/process/ExeFolder.h"
#include "platform/process/ProcessStart.h"
#include "platform/registry/Registry.h"

int main(int argc, char** argv) {
    using namespace yeroup;
    const app::TLanguage language = app::DesktopLanguage();
    const std::string exeFolder = platform::ExeFolder();
    const std::string filesFolder = app::ChooseFilesFolder(exeFolder, platform::XdgDataHome());
    const QString translations = app::TranslationsFolder(QString::fromStdString(exeFolder));

    // The command line is read before any window system is needed: --help answers on a machine without a display.
    app::TCommandLine commandLine;
    QString unreachableDisplay;
    {
        QCoreApplication terminal(argc, argv);
        QCoreApplication::setApplicationVersion(QStringLiteral(YEROUP_VERSION));
        const app::TTranslations texts(language, translations, app::TTranslations::TFramework::ForChinese);
        commandLine = app::ParseCommandLine(QCoreApplication::arguments(),
                                            QString::fromStdString(app::TTrace::InFolder(filesFolder).File()));
        if (commandLine.action == app::TCommandLine::TAction::History)
            commandLine = app::HistoryReport(app::TAppFiles(filesFolder, {}).HistoryFile());
        const QByteArray output = commandLine.output.toLocal8Bit();
        std::fputs(output.constData(), commandLine.action == app::TCommandLine::TAction::Error ? stderr : stdout);
        if (commandLine.action != app::TCommandLine::TAction::Run) return commandLine.exitCode;
        if (const auto noDisplay = app::NoDisplayMessage()) {
            std::fputs(noDisplay->toLocal8Bit().constData(), stderr);
            return app::kNoDisplayStatus;
        }
        unreachableDisplay = app::UnreachableDisplayMessage();
    }

    const auto application = app::OpenDisplay(argc, argv, unreachableDisplay);
    // The program ends when its main window closes; the start-up routine sees to that.
    QApplication::setQuitOnLastWindowClosed(false);
    // Ties the windows to the installed desktop entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral(YEROUP_APP_ID));
    // Before the first box: the single-instance warning is in the user's language too.
    const app::TTranslations texts(language, translations);

    app::TQtMessageBoxes boxes;
    const auto instance = app::SingleInstanceGuard(boxes, platform::DefaultLockFolder());
    if (!instance) return 0;

    const std::filesystem::path registryFile = platform::DefaultRegistryFile();
    // The setup program is looked for beside the executable, then in the program's files folder.
    platform::TProcessStarter processes({exeFolder, filesFolder}, platform::WinePrefixOf(registryFile));
    const app::TAppServices services{
        boxes,
        processes,
        app::TAppFiles(filesFolder, app::UpdateHostFromEnvironment()),
        registryFile,
        app::trust::TrustedKeysFromEnvironment(),
        app::ExtraCAFileFromEnvironment(),
        commandLine.trace ? app::TTrace::InFolder(filesFolder) : app::TTrace::FromEnvironment(filesFolder)};
    return app::RunStartup(services);
}
