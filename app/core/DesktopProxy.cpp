#include "app/core/DesktopProxy.h"

#include <proxy.h>

#include <cstdlib>
#include <string_view>

namespace yeroup::app {

namespace {

// One factory for the process, never freed: freeing it unloads libproxy's modules while the threads of the PAC
// runner's JavaScript engine still run in them. It keeps the PAC file and the WPAD search between requests, and
// serves every thread (it locks itself).
pxProxyFactory* Factory() {
    static pxProxyFactory* const factory = px_proxy_factory_new();
    return factory;
}

// Outside a desktop session libproxy has nothing beyond the proxy variables to read, so it is not loaded there
// (its modules bring a JavaScript engine into the process).
bool InDesktopSession() {
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "GNOME_DESKTOP_SESSION_ID", "KDE_FULL_SESSION"})
        if (const char* value = std::getenv(name); value && *value) return true;
    return false;
}

// libproxy's answer for url: the first proxy this client can use, or empty for a direct connection. Without such
// a proxy the first one named is returned, so that the failure says which setting cannot be used.
std::string DesktopProxyFor(pxProxyFactory* factory, const std::string& url) {
    char** proxies = px_proxy_factory_get_proxies(factory, url.c_str());
    if (!proxies) return {};
    std::string chosen = proxies[0] ? proxies[0] : "direct://";
    for (char** proxy = proxies; *proxy; ++proxy) {
        const std::string_view name(*proxy);
        if (name == "direct://" || name.substr(0, 7) == "http://") {
            chosen = name;
            break;
        }
    }
    px_proxy_factory_free_proxies(proxies);
    return chosen == "direct://" ? std::string() : chosen;
}

}  // namespace

http::TIdProxyEnvironment ProxyEnvironment() {
    http::TIdProxyEnvironment environment = http::TIdProxyEnvironment::FromEnvironment();
    if (InDesktopSession())
        environment.SetDesktopLookup([](const std::string& url) {
            pxProxyFactory* factory = Factory();
            return factory ? DesktopProxyFor(factory, url) : std::string();
        });
    return environment;
}

}  // namespace yeroup::app
