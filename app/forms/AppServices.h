#pragma once
// What the windows are given from outside: the message boxes, the process starter, the local files and
// update host URLs, and the registry stand-in's file.
#include <filesystem>

#include "app/core/AppFiles.h"
#include "app/ui/MessageBoxes.h"
#include "platform/desktop/ProcessStart.h"

namespace yeroup::app {

struct TAppServices {
    IMessageBoxes& MessageBoxes;
    platform::IProcessStarter& Processes;
    TAppFiles Files;
    std::filesystem::path RegistryFile;
};

}  // namespace yeroup::app
