#include <string>

#include "http/IdContentRange.h"
#include "http/IdConvertError.h"
#include "http/IdHeaderRecords.h"
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
        // 64-bit, so that the rest of a file past 4 GiB reads as well.
        const auto number = [](const std::string& text) {
            const std::optional<std::int64_t> value = ReadDecimal(text);
            if (!value) throw EConvertError::NotAnInteger(text);
            return *value;
        };
        ContentRangeStart = number(TakeUntil(range, "-"));
        ContentRangeEnd = number(TakeUntil(range, "/"));
    }
    WWWAuthenticate.Clear();
    HeaderLines.CollectValues("WWW-Authenticate", WWWAuthenticate);
    ProxyAuthenticate.Clear();
    HeaderLines.CollectValues("Proxy-Authenticate", ProxyAuthenticate);
    ReadEntityHeaders();
}

}  // namespace yeroup::http
