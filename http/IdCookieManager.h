#pragma once
// The cookie store an HTTP client asks for the Cookie header of a request and hands every received cookie to.
// Cookies live in memory only.
#include <functional>
#include <string>

#include "http/IdCookies.h"
#include "net/IdBaseComponent.h"

namespace yeroup::http {

class TIdURI;

class TIdCookieManager : public net::TIdBaseComponent {
public:
    using TOnManagerEvent = std::function<void(TIdCookieManager* ASender, TIdCookies* ACookieCollection)>;
    using TOnNewCookieEvent = std::function<void(TIdCookieManager* ASender, TIdCookieRFC2109* ACookie, bool& VAccept)>;

    // OnCreate is raised at the end of construction, so a handler meant for it has to be given here.
    explicit TIdCookieManager(TOnManagerEvent onCreate = {});
    ~TIdCookieManager() override;
    TIdCookieManager(const TIdCookieManager&) = delete;
    TIdCookieManager& operator=(const TIdCookieManager&) = delete;

    // The value for a request's Cookie header; empty when no cookie applies.
    std::string CookieHeaderFor(const TIdURI& uri, bool secure);
    // One "Set-cookie" value, stored as an RFC 2109 cookie.
    void AddServerCookie(const std::string& cookieText, const std::string& host);
    // One "Set-cookie2" value, stored as an RFC 2965 cookie.
    void AddServerCookie2(const std::string& cookieText, const std::string& host);

    TIdCookies& CookieCollection() { return *cookies_; }

    TOnManagerEvent OnCreate;
    TOnManagerEvent OnDestroy;
    TOnNewCookieEvent OnNewCookie;

private:
    void StoreCookie(TIdCookieRFC2109* cookie, const std::string& cookieText, const std::string& host);
    void CleanupCookieList();

    std::unique_ptr<TIdCookies> cookies_;
};

// The cookie's domain fits the request host: the same name, or the host lies below the domain.
bool CookieDomainMatches(const std::string& domain, const std::string& host);

}  // namespace yeroup::http
