#include <string>

#include "http/IdHeaderRecords.h"
#include "http/IdStrToInt.h"
#include "http/IdTextUtils.h"

namespace yeroup::http {

void TIdResponseHeaderInfo::Clear() {
    ClearEntity();
    Location.clear();
    Server.clear();
    ProxyAuthenticate.Clear();
    WWWAuthenticate.Clear();
}

void TIdResponseHeaderInfo::ReadHeaders() {
    Location = HeaderLines.HeaderValue("Location");
    Server = HeaderLines.HeaderValue("Server");
    ProxyConnection = HeaderLines.HeaderValue("Proxy-Connection");
    if (HeaderLines.FindHeader("Content-Range") >= 0) {
        std::string range = HeaderLines.HeaderValue("Content-Range");
        TakeUntil(range, " ");  // the unit
        ContentRangeStart = static_cast<std::uint32_t>(StrToInt(TakeUntil(range, "-")));
        ContentRangeEnd = static_cast<std::uint32_t>(StrToInt(TakeUntil(range, "/")));
    }
    WWWAuthenticate.Clear();
    HeaderLines.CollectValues("WWW-Authenticate", WWWAuthenticate);
    ProxyAuthenticate.Clear();
    HeaderLines.CollectValues("Proxy-Authenticate", ProxyAuthenticate);
    ReadEntityHeaders();
}

}  // namespace yeroup::http
