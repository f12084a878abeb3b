#pragma once
// The program's entry sequence: the single-instance guard, then the splash phase with its checks, then the
// main window and its message loop.
#include <filesystem>
#include <functional>
#include <memory>

#include "app/forms/AppServices.h"
#include "platform/process/NamedMutex.h"

namespace yeroup::app {

class TForm1;
class TForm2;

// Takes the process-wide name "RunOnlyOnce_Tavik". When another copy holds it, shows the warning and returns
// null: this copy must end (it never runs on without a window the user can reach).
std::unique_ptr<platform::TNamedMutex> SingleInstanceGuard(IMessageBoxes& boxes,
                                                           const std::filesystem::path& lockFolder);

struct TStartupHooks {
    // Called once the main window is shown and before the message loop runs.
    std::function<void(TForm1&, TForm2&)> mainWindowShown;
};

// Runs the splash phase and, unless it asked to end, the main phase until the main window closes.
// Returns the program's exit code.
int RunStartup(const TAppServices& services, const TStartupHooks& hooks = {});

}  // namespace yeroup::app
