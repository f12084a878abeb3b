#include "app/download/ProxyFailure.h"

#include "app/core/Texts.h"
#include "http/IdHTTPExceptions.h"
#include "http/IdProxyEnvironment.h"

namespace yeroup::app {

TMessage ProxyFailureText(http::TIdHTTP& client, const std::exception& failure) {
    if (dynamic_cast<const http::EIdProxySettingError*>(&failure)) return {texts::kProxySettingUnusable, {}};
    const std::string proxy = client.ProxyInUse();
    if (proxy.empty()) return {};
    http::TIdHTTPResponse& response = client.Response();
    // No answer at all: the proxy could not be reached, or dropped the connection before answering.
    if (response.StatusLine.empty()) return {texts::kProxyUnreachable, {proxy}};
    // A refused tunnel is the proxy's answer whatever its code (tinyproxy answers wrong credentials with 401).
    if (response.StatusCode() == 407 || dynamic_cast<const http::EIdHTTPTunnelRefused*>(&failure))
        return {texts::kProxyRefused, {proxy}};
    return {};
}

}  // namespace yeroup::app
