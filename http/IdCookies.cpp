#include "http/IdCookies.h"

#include <algorithm>

#include "http/Limits.h"

namespace yeroup::http {

TIdCookies::~TIdCookies() {
    std::lock_guard guard(lock_);
    items_.clear();
}

TIdCookieRFC2109* TIdCookies::Add() {
    std::lock_guard guard(lock_);
    items_.push_back(std::make_unique<TIdCookieRFC2109>(this));
    return items_.back().get();
}

TIdCookieRFC2965* TIdCookies::Add2() {
    std::lock_guard guard(lock_);
    auto cookie = std::make_unique<TIdCookieRFC2965>(this);
    auto* raw = cookie.get();
    items_.push_back(std::move(cookie));
    return raw;
}

TIdCookieRFC2109* TIdCookies::AddCookie(TIdCookieRFC2109* cookie) {
    std::lock_guard guard(lock_);
    int domain = domains_.IndexOf(cookie->Domain);
    if (domain < 0) {
        domainLists_.push_back(std::make_unique<TIdDomainCookies>());
        domains_.Add(cookie->Domain, domainLists_.back().get());
        domain = domains_.Count() - 1;
    }
    TIdDomainCookies* list = domains_.Object(domain);
    int index = list->IndexOf(cookie->CookieName);
    if (index < 0) {
        // A full domain makes room by dropping its oldest cookie, so a server cannot grow the store without end.
        while (list->Count() >= limits::kMaxCookiesPerDomain) Delete(list->Object(0));
        list->Add(cookie->CookieName, cookie);
        return cookie;
    }
    TIdCookieRFC2109* stored = list->Object(index);
    if (stored == cookie) return cookie;
    stored->Assign(*cookie);
    Delete(cookie);
    return stored;
}

void TIdCookies::Delete(TIdCookieRFC2109* cookie) {
    std::lock_guard guard(lock_);
    int domain = domains_.IndexOf(cookie->Domain);
    if (domain >= 0) {
        TIdDomainCookies* list = domains_.Object(domain);
        for (int i = list->Count() - 1; i >= 0; --i)
            if (list->Object(i) == cookie) list->Delete(i);
    }
    auto it = std::find_if(items_.begin(), items_.end(), [cookie](const auto& item) { return item.get() == cookie; });
    if (it != items_.end()) items_.erase(it);
}

}  // namespace yeroup::http
