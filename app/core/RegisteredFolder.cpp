#include "app/core/RegisteredFolder.h"

#include "app/core/Texts.h"
#include "platform/registry/Registry.h"

namespace yeroup::app {

std::string RegisteredInstallFolder(const std::filesystem::path& registryFile) {
    platform::TRegistry registry(registryFile);
    if (!registry.OpenKey(texts::kPlayerKey)) return {};
    std::string folder = registry.ReadFolder(texts::kInstallFolderValue);
    registry.CloseKey();
    return folder;
}

}  // namespace yeroup::app
