// YEROUP: firmware live update for portable MP3 players.
#include <QApplication>

#include "app/Startup.h"
#include "app/core/AppFiles.h"
#include "app/ui/MessageBoxes.h"
#include "platform/desktop/ExeFolder.h"
#include "platform/desktop/ProcessStart.h"
#include "platform/desktop/Registry.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The program ends when its main window closes; the start-up routine sees to that.
    QApplication::setQuitOnLastWindowClosed(false);

    yeroup::app::TQtMessageBoxes boxes;
    const auto instance = yeroup::app::SingleInstanceGuard(boxes, yeroup::platform::DefaultLockFolder());
    if (!instance) return 0;

    const std::string exeFolder = yeroup::platform::ExeFolder();
    yeroup::platform::TProcessStarter processes(exeFolder);
    const yeroup::app::TAppServices services{
        boxes, processes, yeroup::app::TAppFiles(exeFolder, yeroup::app::UpdateHostFromEnvironment()),
        yeroup::platform::DefaultRegistryFile()};
    return yeroup::app::RunStartup(services);
}
