// Cookie texts as servers send them, with a host: parsing, storing and building the Cookie header
// must never crash, whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/IdConvertError.h"
#include "http/IdCookieManager.h"
#include "http/IdURI.h"

using namespace yeroup::http;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    // Input layout: host, a NUL, then cookie texts separated by newlines; a text starting with '2' goes
    // through the RFC 2965 path.
    auto nul = input.find('\0');
    std::string host = nul == std::string::npos ? "h.example" : input.substr(0, nul);
    std::string rest = nul == std::string::npos ? input : input.substr(nul + 1);
    TIdCookieManager manager;
    std::size_t start = 0;
    while (start <= rest.size()) {
        auto end = rest.find('\n', start);
        std::string text = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
        try {
            if (!text.empty() && text[0] == '2')
                manager.AddServerCookie2(text.substr(1), host);
            else
                manager.AddServerCookie(text, host);
        } catch (const EConvertError&) {
        } catch (const yeroup::net::EIdException&) {}
        if (end == std::string::npos) break;
        start = end + 1;
    }
    TIdURI uri;
    uri.Host = host;
    uri.DirPath = "/";
    manager.CookieHeaderFor(uri, true);
    uri.DirPath = "/a/b/";
    manager.CookieHeaderFor(uri, false);
    return 0;
}
