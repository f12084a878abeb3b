#pragma once
// The updater the last upgrade started, recorded in the package store: a later run of the program, which did not
// start it, still knows it may be flashing the player, and no upgrade extracts under it.
#include <optional>
#include <string>

#include "platform/process/ProcessStart.h"

namespace yeroup::app {

// Raises std::filesystem::filesystem_error when the record cannot be written.
void RecordUpdater(const std::string& packageStore, const platform::TProcessIdentity& updater);

// The recorded updater while it still runs; a record of one that has ended, or that cannot be read, goes.
std::optional<platform::TProcessIdentity> RunningUpdater(const std::string& packageStore,
                                                         platform::IProcessStarter& processes);

}  // namespace yeroup::app
