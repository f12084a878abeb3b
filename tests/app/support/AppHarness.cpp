#include "tests/app/support/AppHarness.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"

namespace yeroup::test {

AppHarness::AppHarness()
    : services{boxes, processes, app::TAppFiles(exe.Slash(), server.Host()), exe.Path() / "registry.ini"} {
    WriteRegistry("Install Folder=" + player.Path().string() + "\n");
}

AppHarness::~AppHarness() {
    main_.reset();
    splash_.reset();
}

std::string AppHarness::RegistryFile() const { return services.RegistryFile.string(); }

void AppHarness::WriteRegistry(const std::string& valueLines) {
    WriteFile(services.RegistryFile, "[software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params]\n" + valueLines);
}

void AppHarness::WriteRegistryWithoutKey() { WriteFile(services.RegistryFile, "[software\\Other]\nx=1\n"); }

void AppHarness::ServeCatalogue(const std::string& text, bool local) {
    server.Serve(kCataloguePath, text);
    if (local) WriteFile(services.Files.CatalogueFile(), text);
}

void AppHarness::ServePage(const std::string& m, const std::string& f, const std::string& html) {
    server.Serve("/YEROMP3LiveUpdate/Firmware/" + m + "/" + m + "_" + f + ".asp", html);
}

void AppHarness::ServePackage(const std::string& m, const std::string& f, const std::string& bytes) {
    server.Serve("/YEROMP3LiveUpdate/Firmware/" + m + "/" + m + "_" + f + ".zip", bytes);
}

std::unique_ptr<app::TForm1> AppHarness::MakeSplash() {
    auto splash = std::make_unique<app::TForm1>(services);
    splash->Timer1->stop();
    return splash;
}

app::TForm2& AppHarness::MakeMain() {
    splash_ = MakeSplash();
    splash_->InstallFolder = player.Path().string();
    main_ = std::make_unique<app::TForm2>(services, *splash_);
    return *main_;
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

}  // namespace yeroup::test
