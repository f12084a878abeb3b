#include "http/IdCookie.h"

#include <gtest/gtest.h>

#include "http/IdConvertError.h"
#include "http/IdInternetDate.h"
#include "net/IdException.h"
#include "tests/support/ExpectThrow.h"

namespace yeroup::http {
namespace {

TEST(IdCookie, ParsesNameValueAndAttributes) {
    TIdCookieRFC2109 cookie(nullptr);
    cookie.SetCookieText("ID=42; path=\"/app/\"; Domain=.example.com; secure; Comment=hi there; version=1");
    EXPECT_EQ(cookie.CookieName, "ID");
    EXPECT_EQ(cookie.Value, "42");
    EXPECT_EQ(cookie.Path, "/app/");
    EXPECT_EQ(cookie.Domain, ".example.com");
    EXPECT_TRUE(cookie.Secure);
    EXPECT_EQ(cookie.Comment, "hi there");
    EXPECT_EQ(cookie.Version, "1");
    EXPECT_EQ(cookie.MaxAge, -1);
    // Without an expiry the cookie falls back to the Netscape form.
    EXPECT_EQ(cookie.Style, 0);
    EXPECT_TRUE(cookie.Expires.empty());

    // A value may itself hold "="; only the first one separates.
    cookie.SetCookieText("q=a=b");
    EXPECT_EQ(cookie.CookieName, "q");
    EXPECT_EQ(cookie.Value, "a=b");
    EXPECT_FALSE(cookie.Secure);
    EXPECT_TRUE(cookie.Path.empty());
}

TEST(IdCookie, SameTextIsNotParsedAgain) {
    TIdCookieRFC2109 cookie(nullptr);
    cookie.SetCookieText("A=1; path=/");
    cookie.Value = "changed";
    cookie.SetCookieText("A=1; path=/");
    EXPECT_EQ(cookie.Value, "changed");
    cookie.SetCookieText("A=1; path=/ ");
    EXPECT_EQ(cookie.Value, "1");
}

TEST(IdCookie, MaxAgeBecomesAnExpiryAboutThatFarAhead) {
    TIdCookieRFC2109 cookie(nullptr);
    cookie.SetCookieText("A=1; max-age=60");
    EXPECT_EQ(cookie.Style, 0);
    EXPECT_FALSE(cookie.Expires.empty());
    // Recomputed from the written date, which has whole seconds only.
    EXPECT_GE(cookie.MaxAge, 58);
    EXPECT_LE(cookie.MaxAge, 60);
    EXPECT_EQ(cookie.ServerCookieText().rfind("A=1; expires=", 0), 0u) << cookie.ServerCookieText();

    cookie.SetCookieText("A=1; max-age=soon");
    EXPECT_EQ(cookie.MaxAge, -1);
    EXPECT_TRUE(cookie.Expires.empty());
}

TEST(IdCookie, SetExpiresWorksOutTheAge) {
    TIdCookieRFC2109 cookie(nullptr);
    cookie.SetExpires(DateTimeToInternetStr(Now() + 1.0 / 24));
    EXPECT_NEAR(static_cast<double>(cookie.MaxAge), 3600.0, 2.0);
    // Unreadable text is day 0, long past.
    cookie.SetExpires("garbage");
    EXPECT_LT(cookie.MaxAge, 0);
    EXPECT_EQ(cookie.Expires, "garbage");
    cookie.SetExpires("");
    EXPECT_LT(cookie.MaxAge, 0);
    EXPECT_TRUE(cookie.Expires.empty());
}

TEST(IdCookie, ServerTextOfEachForm) {
    TIdCookieRFC2109 session(nullptr);
    session.SetCookieText("S=v; path=/; domain=h.example; secure; comment=c; version=1");
    EXPECT_EQ(session.ServerCookieText(), "S=v; path=/; domain=h.example; secure; comment=c; version=1");

    // An RFC 2109 cookie with an expiry keeps its form and writes neither expires nor max-age.
    TIdCookieRFC2109 dated(nullptr);
    dated.SetCookieText("D=1; expires=Fri, 01 Jan 2100 00:00:00 GMT; path=/");
    EXPECT_EQ(dated.Style, 1);
    // The age worked out from the date gives way to the (absent) max-age attribute.
    EXPECT_EQ(dated.MaxAge, -1);
    EXPECT_EQ(dated.ServerCookieText(), "D=1; path=/");

    // Empty values leave their item out, the name included.
    TIdCookieRFC2109 empty(nullptr);
    empty.SetCookieText("E=; path=/");
    EXPECT_EQ(empty.ServerCookieText(), "path=/");
}

TEST(IdCookie, AssignKeepsTheExpiryOfTheSource) {
    TIdCookieRFC2109 stored(nullptr);
    stored.SetCookieText("A=1; path=/");
    TIdCookieRFC2109 update(nullptr);
    update.SetCookieText("A=2; path=/; expires=Sun, 06 Nov 1994 08:49:37 GMT");
    stored.Assign(update);
    EXPECT_EQ(stored.Value, "2");
    EXPECT_EQ(stored.Expires, "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(stored.Style, 1);

    // Only RFC 2109 cookies and their descendants are taken over.
    TIdNetscapeCookie plain(nullptr);
    plain.SetCookieText("P=9");
    stored.Assign(plain);
    EXPECT_EQ(stored.Value, "2");
}

TEST(IdCookie, Rfc2965PortList) {
    TIdCookieRFC2965 cookie(nullptr);
    EXPECT_EQ(cookie.Style, 2);
    cookie.SetCookieText("C=1; Port=\"81, 8080\"; Discard; CommentURL=http://x/; max-age=10");
    EXPECT_EQ(cookie.PortList, (std::vector<std::int32_t>{81, 8080}));
    EXPECT_TRUE(cookie.Discard);
    EXPECT_EQ(cookie.CommentURL, "http://x/");

    TIdCookieRFC2965 bare(nullptr);
    bare.SetCookieText("C=1; Port");
    EXPECT_EQ(bare.PortList, (std::vector<std::int32_t>{80}));
    TIdCookieRFC2965 quotedEmpty(nullptr);
    quotedEmpty.SetCookieText("C=1; Port=\"\"");
    EXPECT_EQ(quotedEmpty.PortList, (std::vector<std::int32_t>{80}));
    TIdCookieRFC2965 unquoted(nullptr);
    unquoted.SetCookieText("C=1; Port=81");
    EXPECT_TRUE(unquoted.PortList.empty());

    TIdCookieRFC2965 bad(nullptr);
    EXPECT_THROW_TEXT(bad.SetCookieText("C=1; Port=\"80,x\""), EConvertError, "'x' is not a valid integer value");
    EXPECT_THROW(bad.SetPort(5, 1), net::EIdException);
    EXPECT_THROW(bad.SetPort(-1, 1), net::EIdException);
}

TEST(IdCookie, HostTextPredicates) {
    EXPECT_TRUE(IsIPAddressText("10.0.0.1"));
    EXPECT_TRUE(IsIPAddressText(" 192.168.1.255 "));
    EXPECT_TRUE(IsIPAddressText("1.2.3.4.whatever"));
    EXPECT_FALSE(IsIPAddressText("1.2.3"));
    EXPECT_FALSE(IsIPAddressText("1.2.3.256"));
    EXPECT_FALSE(IsIPAddressText("a.b.c.d"));
    EXPECT_TRUE(IsHostNameText("www.example.com"));
    EXPECT_TRUE(IsHostNameText(""));
    EXPECT_FALSE(IsHostNameText(".example.com"));
    EXPECT_FALSE(IsHostNameText("127.0.0.1"));
    EXPECT_EQ(DomainPartOf("www.example.com"), ".example.com");
    EXPECT_EQ(DomainPartOf("localhost"), "localhost");
}

TEST(IdCookie, DomainCheck) {
    TIdCookieRFC2109 cookie(nullptr);
    cookie.Domain = "127.0.0.1";
    EXPECT_TRUE(cookie.AcceptsHost("127.0.0.1"));
    EXPECT_FALSE(cookie.AcceptsHost("127.0.0.2"));
    cookie.Domain = "www.example.com";
    EXPECT_TRUE(cookie.AcceptsHost("www.example.com"));
    EXPECT_FALSE(cookie.AcceptsHost("ftp.example.com"));
    cookie.Domain = ".example.com";
    EXPECT_TRUE(cookie.AcceptsHost("www.example.com"));
    EXPECT_FALSE(cookie.AcceptsHost("www.other.com"));
    EXPECT_TRUE(cookie.AcceptsHost(".EXAMPLE.com"));
    cookie.Domain = "example.com";
    EXPECT_FALSE(cookie.AcceptsHost("www.example.com"));
}

}  // namespace
}  // namespace yeroup::http
