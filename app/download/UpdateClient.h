#pragma once
// The update host client settings both windows' HTTP clients are made with.
#include <cstdint>
#include <memory>
#include <string>

#include "http/IdHTTP.h"

namespace yeroup::app {

// Bytes a package download asks of each receive: an eighth of the receive and write calls of the default 32 KiB
// for the same copies, and still small beside a package, which goes to the disk as it arrives.
inline constexpr std::int32_t kDownloadReceiveBytes = 262144;

// For an https update host (secureHost) the client gets a TLS transport of its own, trusting extraCAFile (when
// not empty) beside the system's store. Its requests go through the proxy the environment names (http_proxy,
// https_proxy, no_proxy).
std::unique_ptr<http::TIdHTTP> MakeUpdateClient(bool secureHost = false, const std::string& extraCAFile = "");
// The same client bounded for fetch-to-file: a connect and read time-out, a limit on the whole call and on the
// body, so a host that never answers, trickles or sends without end cannot hold up or bloat the program.
std::unique_ptr<http::TIdHTTP> MakeFetchClient(bool secureHost = false, const std::string& extraCAFile = "");

}  // namespace yeroup::app
