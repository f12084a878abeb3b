#include <string>

#include "http/IdBasicAuthentication.h"
#include "http/IdContentRange.h"
#include "http/IdHeaderRecords.h"
#include "http/IdInternetDate.h"
#include "http/IdTextUtils.h"

namespace yeroup::http {

TIdRequestHeaderInfo::TIdRequestHeaderInfo() { ClearRequest(); }

void TIdRequestHeaderInfo::Clear() { ClearRequest(); }

void TIdRequestHeaderInfo::ClearRequest() {
    Accept = "text/html, */*";
    AcceptCharSet.clear();
    UserAgent = "Mozilla/3.0 (compatible; YERO LiveUpdate)";
    BasicAuthentication = false;
    ClearEntity();
}

void TIdRequestHeaderInfo::Assign(const TIdRequestHeaderInfo& source) {
    Accept = source.Accept;
    AcceptCharSet = source.AcceptCharSet;
    AcceptEncoding = source.AcceptEncoding;
    AcceptLanguage = source.AcceptLanguage;
    From = source.From;
    Password = source.Password;
    Referer = source.Referer;
    UserAgent = source.UserAgent;
    Username = source.Username;
    BasicAuthentication = source.BasicAuthentication;
}

void TIdRequestHeaderInfo::WriteHeaders() {
    WriteEntityHeaders();
    auto setIfAny = [this](const char* name, const std::string& value) {
        if (!value.empty()) HeaderLines.SetHeader(name, value);
    };
    setIfAny("Proxy-Connection", ProxyConnection);
    setIfAny("Host", Host);
    setIfAny("Accept", Accept);
    setIfAny("Accept-Charset", AcceptCharSet);
    setIfAny("Accept-Encoding", AcceptEncoding);
    setIfAny("Accept-Language", AcceptLanguage);
    setIfAny("From", From);
    setIfAny("Referer", Referer);
    setIfAny("User-Agent", UserAgent);
    if (LastModified > 0) HeaderLines.SetHeader("If-Modified-Since", DateTimeToInternetStr(LastModified));
    if (ContentRangeStart != 0 || ContentRangeEnd != 0) {
        std::string range = "bytes=" + std::to_string(ContentRangeStart) + "-";
        if (ContentRangeEnd != 0) range += std::to_string(ContentRangeEnd);
        HeaderLines.SetHeader("Range", range);
    }
    if (authenticator_) {
        setIfAny("Authorization", authenticator_->CredentialsText());
    } else if (BasicAuthentication) {
        authenticator_ = std::make_unique<TIdBasicAuthentication>();
        authenticator_->StoreUsername(Username);
        authenticator_->StorePassword(Password);
        setIfAny("Authorization", authenticator_->CredentialsText());
    }
}

void TIdRequestHeaderInfo::ReadHeaders() {
    Accept = HeaderLines.HeaderValue("Accept");
    AcceptCharSet = HeaderLines.HeaderValue("Accept-Charset");
    AcceptEncoding = HeaderLines.HeaderValue("Accept-Encoding");
    AcceptLanguage = HeaderLines.HeaderValue("Accept-Language");
    Host = HeaderLines.HeaderValue("Host");
    From = HeaderLines.HeaderValue("From");
    Referer = HeaderLines.HeaderValue("Referer");
    UserAgent = HeaderLines.HeaderValue("User-Agent");
    std::string range = HeaderLines.HeaderValue("Range");
    if (!range.empty()) {
        TakeUntil(range, "=");
        ContentRangeStart = ReadDecimal(TakeUntil(range, "-")).value_or(0);
        ContentRangeEnd = ReadDecimal(TakeUntil(range, " ")).value_or(0);
    }
    ReadEntityHeaders();
}

}  // namespace yeroup::http
