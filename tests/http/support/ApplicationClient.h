#pragma once
// The client settings both windows of the application store for their HTTP clients.
#include <string>

#include "http/IdHTTP.h"

namespace yeroup::http::test {

inline void ConfigureAsApplication(TIdHTTP& client) {
    client.AllowCookies = true;
    client.HTTPOptions = {hoForceEncodeParams};
    client.MaxLineAction = net::maException;
    client.ReadTimeout = 0;
    client.ProxyParams.SetProxyPort(0);
    client.ProxyParams.BasicAuthentication = false;
    TIdHTTPRequest& request = client.Request();
    request.ContentType = "text/html";
    request.Accept = "text/html, */*";
    request.UserAgent = "Mozilla/3.0 (compatible; YERO LiveUpdate)";
    request.BasicAuthentication = false;
    request.SetContentLength(-1);
    request.ContentRangeStart = 0;
    request.ContentRangeEnd = 0;
}

// The exact bytes such a client sends for a GET of target from hostHeader, with an optional Cookie value.
inline std::string ApplicationGet(const std::string& target, const std::string& hostHeader,
                                  const std::string& cookie = "") {
    std::string request = "GET " + target +
                          " HTTP/1.1\r\n"
                          "Content-Type: text/html\r\n"
                          "Host: " +
                          hostHeader +
                          "\r\n"
                          "Accept: text/html, */*\r\n"
                          "User-Agent: Mozilla/3.0 (compatible; YERO LiveUpdate)\r\n";
    if (!cookie.empty()) request += "Cookie: " + cookie + "\r\n";
    return request + "\r\n";
}

}  // namespace yeroup::http::test
