#pragma once
// The records an HTTP message's headers are read into and written from: the entity part shared by
// requests and responses, the request and response records, and the proxy settings.
#include <cstdint>
#include <memory>
#include <string>

#include "http/IdAuthentication.h"
#include "http/IdDateTime.h"
#include "http/IdHeaderList.h"

namespace yeroup::http {

class TIdEntityHeaderInfo {
public:
    static constexpr int kHeaderFoldWidth = 1024;

    TIdEntityHeaderInfo();
    virtual ~TIdEntityHeaderInfo() = default;
    TIdEntityHeaderInfo(const TIdEntityHeaderInfo&) = delete;
    TIdEntityHeaderInfo& operator=(const TIdEntityHeaderInfo&) = delete;

    // Resets the fields to their defaults; CacheControl, Pragma and CustomHeaders stay.
    virtual void Clear();
    // Copies HeaderLines, the content fields and the dates (not CacheControl, Connection, Pragma or
    // CustomHeaders).
    void Assign(const TIdEntityHeaderInfo& source);
    // Record to HeaderLines, for sending.
    virtual void WriteHeaders();
    // HeaderLines to record, after receiving.
    virtual void ReadHeaders();

    std::int32_t ContentLength() const { return contentLength_; }
    // Also sets LengthGiven: true exactly when the length is 0 or more.
    void SetContentLength(std::int32_t length);
    bool LengthGiven() const { return lengthGiven_; }

    std::string CacheControl;
    std::string Connection;
    std::string ContentEncoding;
    std::string ContentLanguage;
    std::int64_t ContentRangeEnd = 0;
    std::int64_t ContentRangeStart = 0;
    std::string ContentType;
    std::string ContentVersion;
    TIdHeaderList CustomHeaders;
    TDateTime Date = 0;  // local time, as are the other dates
    TDateTime Expires = 0;
    TDateTime LastModified = 0;
    std::string Pragma;
    TIdHeaderList HeaderLines{kHeaderFoldWidth};

protected:
    void ClearEntity();
    void WriteEntityHeaders();
    void ReadEntityHeaders();

private:
    std::int32_t contentLength_ = -1;
    bool lengthGiven_ = false;
};

class TIdRequestHeaderInfo : public TIdEntityHeaderInfo {
public:
    TIdRequestHeaderInfo();

    void Clear() override;
    // Copies only the request's own fields (not Host, ProxyConnection or the entity part).
    void Assign(const TIdRequestHeaderInfo& source);
    // The entity headers, then the request headers, ending with Authorization.
    void WriteHeaders() override;
    // The server side of the exchange; a client never needs it.
    void ReadHeaders() override;

    TIdAuthentication* Authenticator() const { return authenticator_.get(); }
    void SetAuthenticator(std::unique_ptr<TIdAuthentication> authenticator) {
        authenticator_ = std::move(authenticator);
    }
    void FreeAuthenticator() { authenticator_.reset(); }

    std::string Accept;
    std::string AcceptCharSet;
    std::string AcceptEncoding;
    std::string AcceptLanguage;
    bool BasicAuthentication = false;
    std::string Host;
    std::string From;
    std::string Password;
    std::string Referer;
    std::string UserAgent;
    std::string Username;
    std::string ProxyConnection;

private:
    void ClearRequest();

    std::unique_ptr<TIdAuthentication> authenticator_;
};

class TIdResponseHeaderInfo : public TIdEntityHeaderInfo {
public:
    TIdResponseHeaderInfo() = default;

    void Clear() override;
    // Raises EConvertError for a Content-Range whose start or end is not a number.
    void ReadHeaders() override;

    std::string Location;
    std::string ProxyConnection;
    TIdHeaderList ProxyAuthenticate;
    std::string Server;
    TIdHeaderList WWWAuthenticate;
};

class TIdProxyConnectionInfo {
public:
    TIdProxyConnectionInfo() = default;
    TIdProxyConnectionInfo(const TIdProxyConnectionInfo&) = delete;
    TIdProxyConnectionInfo& operator=(const TIdProxyConnectionInfo&) = delete;

    // Empties server, user name and password and sets the port to 0.
    void Clear();
    void Assign(const TIdProxyConnectionInfo& source);
    // Adds Proxy-Authorization to the request's headers when there are proxy credentials.
    void WriteHeaders(TIdHeaderList& headers);

    std::int32_t ProxyPort() const { return proxyPort_; }
    const std::string& ProxyServer() const { return proxyServer_; }
    // Credentials for another proxy must not go to this one: a change frees the authenticator.
    void SetProxyPort(std::int32_t port);
    void SetProxyServer(const std::string& server);

    TIdAuthentication* Authenticator() const { return authenticator_.get(); }
    void SetAuthenticator(std::unique_ptr<TIdAuthentication> authenticator) {
        authenticator_ = std::move(authenticator);
    }

    bool BasicAuthentication = false;
    std::string ProxyPassword;
    std::string ProxyUsername;

private:
    std::int32_t proxyPort_ = 0;
    std::string proxyServer_;
    std::unique_ptr<TIdAuthentication> authenticator_;
};

}  // namespace yeroup::http
