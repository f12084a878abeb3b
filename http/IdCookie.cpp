#include "http/IdCookie.h"

#include <cmath>
#include <limits>

#include "http/IdConvertError.h"
#include "http/IdInternetDate.h"
#include "http/IdStrToInt.h"
#include "http/IdTextUtils.h"
#include "net/IdException.h"

namespace yeroup::http {

namespace {

// Lines of a text, split at CR LF, LF or CR.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// The value after the first "=" of the first item named name (any case); empty when there is none.
std::string Attribute(const std::vector<std::string>& items, std::string_view name) {
    for (const auto& item : items) {
        auto eq = item.find('=');
        if (eq != std::string::npos && SameText(std::string_view(item).substr(0, eq), name)) return item.substr(eq + 1);
    }
    return {};
}

bool Flag(const std::vector<std::string>& items, std::string_view name) {
    for (const auto& item : items)
        if (SameText(item, name)) return true;
    return false;
}

std::string JoinItems(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items) {
        if (!out.empty()) out += "; ";
        out += item;
    }
    return out;
}

void AddItem(std::vector<std::string>& items, const std::string& name, const std::string& value) {
    if (!value.empty()) items.push_back(name + "=" + value);
}

}  // namespace

TIdNetscapeCookie::TIdNetscapeCookie(TIdCookies* collection) : collection_(collection) {}

void TIdNetscapeCookie::SetCookieText(const std::string& text) {
    if (text == CookieText) return;
    CookieText = text;
    std::vector<std::string> items;
    std::string rest = text;
    while (rest.find(';') != std::string::npos) items.push_back(Trim(TakeUntil(rest, ";")));
    if (!rest.empty()) items.push_back(Trim(rest));
    if (items.empty()) items = LinesOf(text);
    if (items.empty()) {
        LoadAttributes(items);
        return;
    }
    std::string pair = items.front();
    items.erase(items.begin());
    CookieName = TakeUntil(pair, "=");
    Value = pair;
    for (auto& item : items) {
        auto eq = item.find('=');
        item = eq == std::string::npos ? UpperCase(item) : UpperCase(item.substr(0, eq)) + item.substr(eq);
    }
    LoadAttributes(items);
}

std::vector<std::string> TIdNetscapeCookie::ServerItems() const {
    std::vector<std::string> items;
    AddItem(items, CookieName, Value);
    AddItem(items, "path", Path);
    if (Style == 0) AddItem(items, "expires", Expires);
    AddItem(items, "domain", Domain);
    if (Secure) items.push_back("secure");
    return items;
}

std::string TIdNetscapeCookie::ServerCookieText() const { return JoinItems(ServerItems()); }

void TIdNetscapeCookie::SetExpires(const std::string& text) { Expires = text; }

void TIdNetscapeCookie::LoadAttributes(const std::vector<std::string>& items) {
    Path = Attribute(items, "PATH");
    if (!Path.empty() && Path.front() == '"') Path.erase(0, 1);
    if (!Path.empty() && Path.back() == '"') Path.pop_back();
    SetExpires(Attribute(items, "EXPIRES"));
    Domain = Attribute(items, "DOMAIN");
    Secure = Flag(items, "SECURE");
}

bool TIdNetscapeCookie::AcceptsHost(const std::string& host) const {
    if (IsIPAddressText(host)) return Domain == host;
    if (IsHostNameText(host)) return IsHostNameText(Domain) ? Domain == host : Domain == DomainPartOf(host);
    return SameText(Domain, DomainPartOf(host));
}

void TIdNetscapeCookie::Assign(const TIdNetscapeCookie& source) {
    // Copied field by field: going through the server text would drop the expiry of an RFC 2109 cookie, and
    // a server that deletes a cookie by sending it again with a past date would never see it go.
    if (!dynamic_cast<const TIdCookieRFC2109*>(&source)) return;
    CookieText = source.CookieText;
    Domain = source.Domain;
    Expires = source.Expires;
    CookieName = source.CookieName;
    Path = source.Path;
    Secure = source.Secure;
    Value = source.Value;
    Style = source.Style;
}

TIdCookieRFC2109::TIdCookieRFC2109(TIdCookies* collection) : TIdNetscapeCookie(collection) { Style = 1; }

std::string TIdCookieRFC2109::ServerCookieText() const {
    auto items = ServerItems();
    if (MaxAge > -1 && Expires.empty()) items.push_back("max-age=" + std::to_string(MaxAge));
    AddItem(items, "comment", Comment);
    AddItem(items, "version", Version);
    return JoinItems(items);
}

void TIdCookieRFC2109::SetExpires(const std::string& text) {
    if (!text.empty()) {
        try {
            double days = GMTToLocalDateTime(text) - Now();
            double seconds = std::trunc(days * 86400000.0 / 1000.0);
            // A date the reader cannot parse reads as day 0, far in the past; the clamp keeps that defined.
            if (std::isfinite(seconds)) {
                constexpr double lo = static_cast<double>(std::numeric_limits<std::int64_t>::min());
                constexpr double hi = static_cast<double>(std::numeric_limits<std::int64_t>::max());
                MaxAge = seconds <= lo   ? std::numeric_limits<std::int64_t>::min()
                         : seconds >= hi ? std::numeric_limits<std::int64_t>::max()
                                         : static_cast<std::int64_t>(seconds);
            }
        } catch (const std::exception&) {
            // The age stays as it was; the text is kept all the same.
        }
    }
    Expires = text;
}

void TIdCookieRFC2109::LoadAttributes(const std::vector<std::string>& items) {
    TIdNetscapeCookie::LoadAttributes(items);
    std::int32_t maxAge = -1;
    MaxAge = TryStrToInt(Attribute(items, "MAX-AGE"), maxAge) ? maxAge : -1;
    Version = Attribute(items, "VERSION");
    Comment = Attribute(items, "COMMENT");
    if (Expires.empty()) {
        Style = 0;
        if (MaxAge >= 0) SetExpires(DateTimeToInternetStr(Now() + static_cast<double>(MaxAge) * 1000.0 / 86400000.0));
    }
}

void TIdCookieRFC2109::Assign(const TIdNetscapeCookie& source) {
    TIdNetscapeCookie::Assign(source);
    if (auto rfc = dynamic_cast<const TIdCookieRFC2109*>(&source)) {
        MaxAge = rfc->MaxAge;
        Version = rfc->Version;
        Comment = rfc->Comment;
    }
}

TIdCookieRFC2965::TIdCookieRFC2965(TIdCookies* collection) : TIdCookieRFC2109(collection) { Style = 2; }

void TIdCookieRFC2965::SetPort(int index, std::int32_t port) {
    if (index < 0 || index > static_cast<int>(PortList.size())) throw net::EIdException("Index out of range.");
    if (index == static_cast<int>(PortList.size()))
        PortList.push_back(port);
    else
        PortList[static_cast<std::size_t>(index)] = port;
}

void TIdCookieRFC2965::LoadAttributes(const std::vector<std::string>& items) {
    TIdCookieRFC2109::LoadAttributes(items);
    CommentURL = Attribute(items, "CommentURL");
    Discard = Flag(items, "DISCARD");
    std::string ports = Attribute(items, "Port");
    if (ports.empty()) {
        SetPort(0, 80);
    } else if (ports.size() >= 2 && ports.front() == '"' && ports.back() == '"') {
        std::string list = ports.substr(1, ports.size() - 2);
        int index = 0;
        while (!list.empty()) {
            std::string text = Trim(TakeUntil(list, ","));
            std::int32_t port = 0;
            if (!TryStrToInt(text, port)) throw EConvertError::NotAnInteger(text);
            SetPort(index++, port);
        }
        if (index == 0) SetPort(0, 80);
    }
}

void TIdCookieRFC2965::Assign(const TIdNetscapeCookie& source) {
    TIdCookieRFC2109::Assign(source);
    if (auto rfc = dynamic_cast<const TIdCookieRFC2965*>(&source)) {
        CommentURL = rfc->CommentURL;
        Discard = rfc->Discard;
        PortList = rfc->PortList;
    }
}

bool IsIPAddressText(const std::string& text) {
    std::string rest = Trim(text);
    for (int i = 0; i < 4; ++i) {
        std::string piece = TakeUntil(rest, ".");
        int value = 0;
        if (piece.empty() || !TryStrToInt(piece, value) || value < 0 || value > 255) return false;
    }
    return true;
}

bool IsHostNameText(const std::string& text) { return (text.empty() || text.front() != '.') && !IsIPAddressText(text); }

std::string DomainPartOf(const std::string& host) {
    auto dot = host.find('.');
    return dot == std::string::npos ? host : host.substr(dot);
}

}  // namespace yeroup::http
