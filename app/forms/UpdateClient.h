#pragma once
// The update host client settings both windows' HTTP clients are made with.
#include <memory>

#include "http/IdHTTP.h"

namespace yeroup::app {

std::unique_ptr<http::TIdHTTP> MakeUpdateClient();
// The same client bounded for fetch-to-file: a connect and read time-out, a limit on the whole call and on the
// body, so a host that never answers, trickles or sends without end cannot hold up or bloat the program.
std::unique_ptr<http::TIdHTTP> MakeFetchClient();

}  // namespace yeroup::app
