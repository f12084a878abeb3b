#include <string>

#include "http/IdHeaderRecords.h"
#include "http/IdInternetDate.h"
#include "http/IdStrToInt.h"
#include "http/IdTextUtils.h"

namespace yeroup::http {

TIdEntityHeaderInfo::TIdEntityHeaderInfo() { ClearEntity(); }

void TIdEntityHeaderInfo::Clear() { ClearEntity(); }

void TIdEntityHeaderInfo::ClearEntity() {
    Connection.clear();
    ContentEncoding.clear();
    ContentLanguage.clear();
    contentLength_ = -1;
    ContentRangeEnd = 0;
    ContentRangeStart = 0;
    ContentType = "text/html";
    ContentVersion.clear();
    Date = 0;
    Expires = 0;
    LastModified = 0;
    HeaderLines.Clear();
}

void TIdEntityHeaderInfo::SetContentLength(std::int32_t length) {
    contentLength_ = length;
    lengthGiven_ = length >= 0;
}

void TIdEntityHeaderInfo::Assign(const TIdEntityHeaderInfo& source) {
    HeaderLines.Assign(source.HeaderLines);
    ContentEncoding = source.ContentEncoding;
    ContentLanguage = source.ContentLanguage;
    SetContentLength(source.contentLength_);
    ContentRangeEnd = source.ContentRangeEnd;
    ContentRangeStart = source.ContentRangeStart;
    ContentType = source.ContentType;
    ContentVersion = source.ContentVersion;
    Date = source.Date;
    Expires = source.Expires;
    LastModified = source.LastModified;
}

void TIdEntityHeaderInfo::WriteHeaders() { WriteEntityHeaders(); }

void TIdEntityHeaderInfo::WriteEntityHeaders() {
    HeaderLines.Clear();
    auto setIfAny = [this](const char* name, const std::string& value) {
        if (!value.empty()) HeaderLines.SetHeader(name, value);
    };
    setIfAny("Connection", Connection);
    setIfAny("Content-Version", ContentVersion);
    setIfAny("Content-Encoding", ContentEncoding);
    setIfAny("Content-Language", ContentLanguage);
    setIfAny("Content-Type", ContentType);
    if (contentLength_ >= 0) HeaderLines.SetHeader("Content-Length", std::to_string(contentLength_));
    setIfAny("Cache-control", CacheControl);
    if (Date > 0) HeaderLines.SetHeader("Date", DateTimeToInternetStr(Date));
    if (Expires > 0) HeaderLines.SetHeader("Expires", DateTimeToInternetStr(Expires));
    setIfAny("Pragma", Pragma);
    // Custom lines follow unchanged, in their own order.
    if (CustomHeaders.Count() > 0) HeaderLines.SetText(HeaderLines.Text() + CustomHeaders.Text());
}

void TIdEntityHeaderInfo::ReadHeaders() { ReadEntityHeaders(); }

void TIdEntityHeaderInfo::ReadEntityHeaders() {
    Connection = HeaderLines.HeaderValue("Connection");
    ContentVersion = HeaderLines.HeaderValue("Content-Version");
    ContentEncoding = HeaderLines.HeaderValue("Content-Encoding");
    ContentLanguage = HeaderLines.HeaderValue("Content-Language");
    ContentType = HeaderLines.HeaderValue("Content-Type");
    // A negative length counts as none.
    const std::int32_t length = StrToIntDef(Trim(HeaderLines.HeaderValue("Content-Length")), -1);
    SetContentLength(length < 0 ? -1 : length);
    Date = GMTToLocalDateTime(HeaderLines.HeaderValue("Date"));
    LastModified = GMTToLocalDateTime(HeaderLines.HeaderValue("Last-Modified"));
    // Some servers send a number of seconds from now instead of a date.
    const std::string expires = HeaderLines.HeaderValue("Expires");
    const std::int32_t seconds = StrToIntDef(expires, -1);
    Expires = seconds != -1 ? Now() + seconds / kSecondsPerDay : GMTToLocalDateTime(expires);
    Pragma = HeaderLines.HeaderValue("Pragma");
}

}  // namespace yeroup::http
