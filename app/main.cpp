// YEROUP: firmware live update for portable MP3 players.
#include <QApplication>

#include "app/Startup.h"
#include "app/core/AppFiles.h"
#include "app/ui/MessageBoxes.h"
#include "app/ui/Translation.h"
#include "platform/files/DataFolder.h"
#include "platform/process/ExeFolder.h"
#include "platform/process/ProcessStart.h"
#include "platform/registry/Registry.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The program ends when its main window closes; the start-up routine sees to that.
    QApplication::setQuitOnLastWindowClosed(false);
    // Ties the windows to the installed desktop entry (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral(YEROUP_APP_ID));
    // Before the first box: the single-instance warning's button reads 确定 too.
    yeroup::app::LoadFrameworkTranslation();

    yeroup::app::TQtMessageBoxes boxes;
    const auto instance = yeroup::app::SingleInstanceGuard(boxes, yeroup::platform::DefaultLockFolder());
    if (!instance) return 0;

    const std::string exeFolder = yeroup::platform::ExeFolder();
    const std::string filesFolder = yeroup::app::ChooseFilesFolder(exeFolder, yeroup::platform::XdgDataHome());
    const std::filesystem::path registryFile = yeroup::platform::DefaultRegistryFile();
    // The setup program is looked for beside the executable, then in the program's files folder.
    yeroup::platform::TProcessStarter processes({exeFolder, filesFolder}, yeroup::platform::WinePrefixOf(registryFile));
    const yeroup::app::TAppServices services{
        boxes,
        processes,
        yeroup::app::TAppFiles(filesFolder, yeroup::app::UpdateHostFromEnvironment()),
        registryFile,
        yeroup::app::trust::TrustedKeysFromEnvironment(),
        yeroup::app::ExtraCAFileFromEnvironment(),
        yeroup::app::TTrace::FromEnvironment(filesFolder)};
    return yeroup::app::RunStartup(services);
}
