#include "app/core/VersionText.h"

#include "app/core/AppVersion.h"

namespace yeroup::app {

std::string VersionText(const std::optional<platform::TFixedFileInfo>& info) {
    if (!info) return "0.0.0.0";
    return std::to_string(info->dwFileVersionLS >> 16) + "." + std::to_string(info->dwFileVersionLS & 0xFFFF);
}

std::string VersionText() { return VersionText(kEmbeddedFileVersion); }

}  // namespace yeroup::app
