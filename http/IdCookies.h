#pragma once
// The cookie collection: owns every cookie and indexes them by domain, then by name.
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "http/IdCookie.h"
#include "http/IdTextUtils.h"

namespace yeroup::http {

class TIdCookieManager;

// Text entries with an object each, unsorted, found by text without regard to case.
template <typename T>
class TIdCookieList {
public:
    int IndexOf(const std::string& text) const;
    void Add(const std::string& text, T* object) { entries_.emplace_back(text, object); }
    void Delete(int index) { entries_.erase(entries_.begin() + index); }
    int Count() const { return static_cast<int>(entries_.size()); }
    const std::string& Text(int index) const { return entries_[static_cast<std::size_t>(index)].first; }
    T* Object(int index) const { return entries_[static_cast<std::size_t>(index)].second; }

private:
    std::vector<std::pair<std::string, T*>> entries_;
};

using TIdDomainCookies = TIdCookieList<TIdCookieRFC2109>;

class TIdCookies {
public:
    explicit TIdCookies(TIdCookieManager* owner) : owner_(owner) {}
    ~TIdCookies();
    TIdCookies(const TIdCookies&) = delete;
    TIdCookies& operator=(const TIdCookies&) = delete;

    // New items belong to the collection but are not indexed until stored.
    TIdCookieRFC2109* Add();
    TIdCookieRFC2965* Add2();
    // Indexes a cookie under its domain and name; a cookie of that name already there takes over the new one's
    // data and the new one is freed. Returns the cookie that is now stored.
    TIdCookieRFC2109* AddCookie(TIdCookieRFC2109* cookie);
    // Unindexes the cookie (only its own entry, never an equally named one) and frees it.
    void Delete(TIdCookieRFC2109* cookie);
    int Count() const { return static_cast<int>(items_.size()); }

    // The domain list: domain text with that domain's cookies, in the order domains were first stored.
    // One re-entrant lock serves both sides; the program calls from one thread only.
    const TIdCookieList<TIdDomainCookies>& LockCookieListByDomain() {
        lock_.lock();
        return domains_;
    }
    void UnlockCookieListByDomain() { lock_.unlock(); }

    TIdCookieManager* Owner() const { return owner_; }

private:
    TIdCookieManager* owner_;
    std::recursive_mutex lock_;
    std::vector<std::unique_ptr<TIdCookieRFC2109>> items_;
    std::vector<std::unique_ptr<TIdDomainCookies>> domainLists_;
    TIdCookieList<TIdDomainCookies> domains_;
};

template <typename T>
int TIdCookieList<T>::IndexOf(const std::string& text) const {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (SameText(entries_[i].first, text)) return static_cast<int>(i);
    return -1;
}

}  // namespace yeroup::http
