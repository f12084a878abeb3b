#pragma once
// The update host client settings both windows' HTTP clients are made with.
#include <memory>

#include "http/IdHTTP.h"

namespace yeroup::app {

std::unique_ptr<http::TIdHTTP> MakeUpdateClient();

}  // namespace yeroup::app
