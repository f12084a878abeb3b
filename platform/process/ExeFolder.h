#pragma once
// The folder of the running executable, ending in "/": every local file of the program is named relative to it.
#include <string>

namespace yeroup::platform {

std::string ExeFolder();

}  // namespace yeroup::platform
