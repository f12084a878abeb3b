#pragma once
// What the user is told when the proxy the environment names is the reason a fetch failed: it could not be
// reached, it refused (407: credentials missing or wrong), or its setting cannot be used.
#include <exception>
#include <string>

#include "app/core/Message.h"
#include "http/IdHTTP.h"

namespace yeroup::app {

// The message naming the proxy, or none when the failure of client's last call was not the proxy's.
TMessage ProxyFailureText(http::TIdHTTP& client, const std::exception& failure);

}  // namespace yeroup::app
