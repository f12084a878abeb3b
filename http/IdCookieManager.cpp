#include "http/IdCookieManager.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "http/IdHostName.h"
#include "http/IdInternetDate.h"
#include "http/IdURI.h"
#include "http/Limits.h"

namespace yeroup::http {

namespace {

// Holds the collection's domain list for the scope.
class DomainListLock {
public:
    explicit DomainListLock(TIdCookies& cookies) : cookies_(cookies), list_(cookies.LockCookieListByDomain()) {}
    ~DomainListLock() { cookies_.UnlockCookieListByDomain(); }
    DomainListLock(const DomainListLock&) = delete;
    DomainListLock& operator=(const DomainListLock&) = delete;
    const TIdCookieList<TIdDomainCookies>& List() const { return list_; }

private:
    TIdCookies& cookies_;
    const TIdCookieList<TIdDomainCookies>& list_;
};

bool LessText(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::toupper(x) < std::toupper(y);
    });
}

}  // namespace

TIdCookieManager::TIdCookieManager(TOnManagerEvent onCreate)
    : OnCreate(std::move(onCreate)), cookies_(std::make_unique<TIdCookies>(this)) {
    if (OnCreate) OnCreate(this, cookies_.get());
}

TIdCookieManager::~TIdCookieManager() {
    CleanupCookieList();
    if (OnDestroy) OnDestroy(this, cookies_.get());
}

void TIdCookieManager::AddServerCookie(const std::string& cookieText, const std::string& host) {
    StoreCookie(cookies_->Add(), cookieText, host);
}

void TIdCookieManager::AddServerCookie2(const std::string& cookieText, const std::string& host) {
    StoreCookie(cookies_->Add2(), cookieText, host);
}

void TIdCookieManager::StoreCookie(TIdCookieRFC2109* cookie, const std::string& cookieText,
                                   const std::string& hostAsWritten) {
    try {
        cookie->SetCookieText(cookieText);
    } catch (...) {
        cookies_->Delete(cookie);
        throw;
    }
    // "update.test." and "update.test" are one host, and a domain attribute may end in the root's dot too.
    const std::string host = WithoutRootDots(hostAsWritten);
    cookie->Domain = WithoutRootDots(cookie->Domain);
    if (cookie->Domain.empty()) cookie->Domain = host;
    if (!cookie->AcceptsHost(host)) {
        cookies_->Delete(cookie);
        return;
    }
    bool accept = true;
    if (OnNewCookie) OnNewCookie(this, cookie, accept);
    if (!accept) {
        cookies_->Delete(cookie);
        return;
    }
    cookies_->AddCookie(cookie);
}

void TIdCookieManager::CleanupCookieList() {
    DomainListLock lock(*cookies_);
    const auto& domains = lock.List();
    double now = Now();
    std::vector<TIdCookieRFC2109*> expired;
    for (int d = 0; d < domains.Count(); ++d) {
        const TIdDomainCookies* list = domains.Object(d);
        for (int i = list->Count() - 1; i >= 0; --i) {
            TIdCookieRFC2109* cookie = list->Object(i);
            if (!cookie->Expires.empty() && now > GMTToLocalDateTime(cookie->Expires)) expired.push_back(cookie);
        }
    }
    for (auto* cookie : expired) cookies_->Delete(cookie);
}

std::string TIdCookieManager::CookieHeaderFor(const TIdURI& uri, bool secure) {
    CleanupCookieList();
    DomainListLock lock(*cookies_);
    const auto& domains = lock.List();
    // Sorted by path without regard to case; a new entry goes before the entries equal to it.
    std::vector<std::pair<std::string, const TIdCookieRFC2109*>> sorted;
    for (int d = 0; d < domains.Count(); ++d) {
        if (!CookieDomainMatches(domains.Text(d), uri.Host)) continue;
        const TIdDomainCookies* list = domains.Object(d);
        for (int i = list->Count() - 1; i >= 0; --i) {
            const TIdCookieRFC2109* cookie = list->Object(i);
            if (cookie->Path.empty() || uri.DirPath.compare(0, cookie->Path.size(), cookie->Path) != 0) continue;
            if (cookie->Secure && !secure) continue;
            if (cookie->Value.empty()) continue;
            auto at = std::lower_bound(sorted.begin(), sorted.end(), cookie->Path,
                                       [](const auto& entry, const auto& path) { return LessText(entry.first, path); });
            sorted.insert(at, {cookie->Path, cookie});
        }
    }
    std::string header;
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
        // Cookies that would make the header longer than servers take stay out.
        const std::string text = it->second->ClientCookieText();
        const std::size_t separator = header.empty() ? 0 : 2;
        if (header.size() + separator + text.size() > limits::kMaxCookieHeaderBytes) continue;
        if (separator) header += "; ";
        header += text;
    }
    return header;
}

bool CookieDomainMatches(const std::string& domain, const std::string& hostAsWritten) {
    // A plain substring test would hand the cookies of "a.com" to "evila.com" as well.
    const std::string host = WithoutRootDots(hostAsWritten);
    if (domain.empty() || host.empty()) return false;
    std::string bare = WithoutRootDots(domain.front() == '.' ? domain.substr(1) : domain);
    if (SameText(bare, host)) return true;
    // An address has no parent domain: 127.0.0.1's cookies are not 10.127.0.0.1's.
    if (host.size() <= bare.size() || IsAddressLiteral(bare) || IsAddressLiteral(host)) return false;
    std::string_view tail = std::string_view(host).substr(host.size() - bare.size());
    return host[host.size() - bare.size() - 1] == '.' && SameText(tail, bare);
}

}  // namespace yeroup::http
