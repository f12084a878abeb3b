// The firmware upgrade: extract the stored package into the player software's folder, then start its updater.
#include "app/core/StartFailure.h"
#include "app/core/Texts.h"
#include "app/forms/MainForm.h"

namespace yeroup::app {

void TForm2::Button2Click() {
    const std::string folder = splash_.InstallFolder;
    // Without the player software's folder the package would land in whatever the current folder is.
    if (folder.find_first_not_of(" \t") == std::string::npos) {
        services_.MessageBoxes.MessageBox(this, texts::kNoInstallFolder, texts::kHintCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    try {
        Archiver->FileName = services_.Files.PackageFile(SelectedModel(), SelectedFirmware());
        Archiver->OpenArchive(32);
        Archiver->BaseDir = folder;
        Archiver->ExtractFiles("*.*", 0x28BF, "");
        Archiver->CloseArchive();
        if (services_.MessageBoxes.MessageBox(this, texts::kConnectPlayer, texts::kConnectPlayerCaption,
                                              MB_OKCANCEL | MB_ICONWARNING) == IDOK) {
            const std::string updater = folder + "/" + texts::kUpdaterProgram;
            const auto started =
                services_.Processes.ShellExecute("open", updater, texts::kUpdaterParameters, folder, 1);
            if (started != platform::TStartResult::Started)
                services_.MessageBoxes.MessageBox(this, StartFailureText(started, texts::kUpdaterNotStarted, updater),
                                                  texts::kHintCaption, MB_OK | MB_ICONERROR);
        }
    } catch (...) {
        Archiver->CloseArchive();
    }
}

}  // namespace yeroup::app
