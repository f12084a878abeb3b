#pragma once
// Everything a window test needs: an exe folder, a player software folder with its registry entry, a loopback
// update host, message boxes and a process starter that tests answer and watch.
#include <functional>
#include <memory>
#include <string>

#include "app/forms/AppServices.h"
#include "tests/app/support/FakeServices.h"
#include "tests/app/support/UpdateHostServer.h"
#include "tests/support/ScratchFolder.h"

namespace yeroup::app {
class TForm1;
class TForm2;
}  // namespace yeroup::app

namespace yeroup::test {

inline constexpr const char* kCataloguePath = "/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini";

class AppHarness {
public:
    AppHarness();
    ~AppHarness();

    ScratchFolder exe;
    ScratchFolder player;
    UpdateHostServer server;
    FakeMessageBoxes boxes;
    FakeProcessStarter processes;
    app::TAppServices services;

    std::string RegistryFile() const;
    // The player software's key with the given lines (by default its install folder).
    void WriteRegistry(const std::string& valueLines);
    void WriteRegistryWithoutKey();

    // Serves a catalogue (and keeps the same copy beside the executable when local is true).
    void ServeCatalogue(const std::string& text, bool local = false);
    void ServePage(const std::string& m, const std::string& f, const std::string& html);
    void ServePackage(const std::string& m, const std::string& f, const std::string& bytes);

    // A splash window whose timer has been stopped, so that its check runs only when the test says.
    std::unique_ptr<app::TForm1> MakeSplash();
    // The main window over a splash window of its own; the splash's install folder is the player folder.
    app::TForm2& MakeMain();
    app::TForm1& Splash() { return *splash_; }

private:
    std::unique_ptr<app::TForm1> splash_;
    std::unique_ptr<app::TForm2> main_;
};

// Processes window events until done() holds; false on time-out.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 30000);

}  // namespace yeroup::test
