#pragma once
// What the windows are given from outside: the message boxes, the process starter, the local files and
// update host URLs, the registry stand-in's file, what the program trusts of the update host, and the trace.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "app/core/AppFiles.h"
#include "app/core/Trace.h"
#include "app/trust/TrustedKeys.h"
#include "app/ui/MessageBoxes.h"
#include "platform/process/ProcessStart.h"

namespace yeroup::app {

inline std::int64_t SystemUnixTime() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

struct TAppServices {
    IMessageBoxes& MessageBoxes;
    platform::IProcessStarter& Processes;
    TAppFiles Files;
    std::filesystem::path RegistryFile;
    // With a key configured the catalogue and packages are accepted only with a good signature.
    trust::TTrustedKeys TrustedKeys = {};
    // Certificate authorities trusted for an https update host beside the system's store.
    std::string ExtraCAFile = {};
    // Off unless support asked for it.
    TTrace Trace = {};
    // Seconds since 1970, against which signed catalogues expire and age.
    std::function<std::int64_t()> UnixTime = SystemUnixTime;
};

}  // namespace yeroup::app
