#pragma once
// One cookie each: the early Netscape form, the RFC 2109 form ("Set-cookie") and the RFC 2965 form
// ("Set-cookie2"). A cookie parses the text a server sent and can write itself back as attribute text.
#include <cstdint>
#include <string>
#include <vector>

namespace yeroup::http {

class TIdCookies;

class TIdNetscapeCookie {
public:
    explicit TIdNetscapeCookie(TIdCookies* collection);
    virtual ~TIdNetscapeCookie() = default;
    TIdNetscapeCookie(const TIdNetscapeCookie&) = delete;
    TIdNetscapeCookie& operator=(const TIdNetscapeCookie&) = delete;

    // Parses the text unless it equals the text parsed last.
    void SetCookieText(const std::string& text);
    virtual std::string ServerCookieText() const;
    virtual void SetExpires(const std::string& text);
    virtual std::string ClientCookieText() const { return CookieName + "=" + Value; }
    // Attribute items are "NAME=value" (name upper-cased) or a bare upper-cased word.
    virtual void LoadAttributes(const std::vector<std::string>& items);
    virtual bool AcceptsHost(const std::string& host) const;
    // Takes over the cookie data of another RFC 2109 (or RFC 2965) cookie; other sources are ignored.
    virtual void Assign(const TIdNetscapeCookie& source);

    TIdCookies* Collection() const { return collection_; }

    std::string CookieText;
    std::string Domain;
    std::string Expires;
    std::string CookieName;
    std::string Path;
    bool Secure = false;
    std::string Value;
    std::uint8_t Style = 0;

protected:
    // Server text items shared by the derived forms: name, path, expires (form 0 only), domain, secure.
    std::vector<std::string> ServerItems() const;

private:
    TIdCookies* collection_;
};

class TIdCookieRFC2109 : public TIdNetscapeCookie {
public:
    explicit TIdCookieRFC2109(TIdCookies* collection);

    std::string ServerCookieText() const override;
    void SetExpires(const std::string& text) override;
    void LoadAttributes(const std::vector<std::string>& items) override;
    void Assign(const TIdNetscapeCookie& source) override;

    std::int64_t MaxAge = -1;
    std::string Version;
    std::string Comment;
};

class TIdCookieRFC2965 : public TIdCookieRFC2109 {
public:
    explicit TIdCookieRFC2965(TIdCookies* collection);

    void LoadAttributes(const std::vector<std::string>& items) override;
    void Assign(const TIdNetscapeCookie& source) override;

    // Sets the port at index, growing the list by one when index is one past its end.
    void SetPort(int index, std::int32_t port);

    std::string CommentURL;
    bool Discard = false;
    std::vector<std::int32_t> PortList;
};

// Host text predicates of the domain check.
bool IsIPAddressText(const std::string& text);
bool IsHostNameText(const std::string& text);
// The text from the first "." on; a host without "." is its own domain part.
std::string DomainPartOf(const std::string& host);

}  // namespace yeroup::http
