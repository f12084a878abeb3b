#pragma once
// What the application's update client (app/forms/UpdateClient) puts on the wire, written out byte by byte.
#include <string>

namespace yeroup::test {

// The exact bytes the update client sends for a GET of target from hostHeader, with an optional Cookie value.
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

}  // namespace yeroup::test
