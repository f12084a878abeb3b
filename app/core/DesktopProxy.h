#pragma once
// The proxy settings every connection of the program follows: http_proxy, https_proxy and no_proxy when set, else
// in a desktop session the desktop's through libproxy (GNOME's and KDE's proxy settings, a PAC file, WPAD).
#include "http/IdProxyEnvironment.h"

namespace yeroup::app {

http::TIdProxyEnvironment ProxyEnvironment();

}  // namespace yeroup::app
