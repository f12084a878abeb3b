#pragma once
// The player software's folder as the registry names it now: where upgrades go, and the only folder the recovery
// of an interrupted upgrade may act on.
#include <filesystem>
#include <string>

namespace yeroup::app {

// Empty when the player software's key or its folder value is missing; raises ERegistryException for a value of
// another type.
std::string RegisteredInstallFolder(const std::filesystem::path& registryFile);

}  // namespace yeroup::app
