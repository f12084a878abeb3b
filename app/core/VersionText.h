#pragma once
// The short version text shown on the splash window and in the main window's caption: the third and the
// fourth number of the file version, joined by "."; "0.0.0.0" when there is no version record.
#include <optional>
#include <string>

#include "platform/process/VersionResource.h"

namespace yeroup::app {

std::string VersionText(const std::optional<platform::TFixedFileInfo>& info);
// The running program's.
std::string VersionText();

}  // namespace yeroup::app
