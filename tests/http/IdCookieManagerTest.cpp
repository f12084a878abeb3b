#include "http/IdCookieManager.h"

#include <gtest/gtest.h>

#include "http/IdConvertError.h"
#include "http/IdURI.h"

namespace yeroup::http {
namespace {

std::string HeaderFor(TIdCookieManager& manager, const std::string& url, bool secure = false) {
    return manager.CookieHeaderFor(TIdURI(url), secure);
}

TEST(IdCookieManager, SecureCookieFromHostName) {
    TIdCookieManager manager;
    manager.AddServerCookie("ID=42; path=/; secure", "www.host.com");
    ASSERT_EQ(manager.CookieCollection().Count(), 1);
    const auto& domains = manager.CookieCollection().LockCookieListByDomain();
    ASSERT_EQ(domains.Count(), 1);
    EXPECT_EQ(domains.Text(0), "www.host.com");
    EXPECT_EQ(domains.Object(0)->Object(0)->Domain, "www.host.com");
    manager.CookieCollection().UnlockCookieListByDomain();

    EXPECT_EQ(HeaderFor(manager, "http://www.host.com/a/x.htm", false), "");
    EXPECT_EQ(HeaderFor(manager, "http://www.host.com/a/x.htm", true), "ID=42");
}

TEST(IdCookieManager, LongerPathsComeFirstThenStoreOrder) {
    TIdCookieManager manager;
    manager.AddServerCookie("ROOT=1; path=/", "h.example");
    manager.AddServerCookie("DEEP=2; path=/a/b/", "h.example");
    manager.AddServerCookie("ROOT2=3; path=/", "h.example");
    manager.AddServerCookie("OTHER=4; path=/c/", "h.example");
    manager.AddServerCookie("NOPATH=5", "h.example");
    EXPECT_EQ(HeaderFor(manager, "http://h.example/a/b/c/d.htm"), "DEEP=2; ROOT2=3; ROOT=1");
    EXPECT_EQ(HeaderFor(manager, "http://h.example/a/x.htm"), "ROOT2=3; ROOT=1");
}

TEST(IdCookieManager, SameNameReplacesValuesInTheStoredObject) {
    TIdCookieManager manager;
    manager.AddServerCookie("A=1; path=/", "h.example");
    const auto& domains = manager.CookieCollection().LockCookieListByDomain();
    TIdCookieRFC2109* first = domains.Object(0)->Object(0);
    manager.AddServerCookie("A=2; path=/", "h.example");
    EXPECT_EQ(domains.Object(0)->Count(), 1);
    EXPECT_EQ(domains.Object(0)->Object(0), first);
    manager.CookieCollection().UnlockCookieListByDomain();
    EXPECT_EQ(first->Value, "2");
    EXPECT_EQ(manager.CookieCollection().Count(), 1);
    EXPECT_EQ(HeaderFor(manager, "http://h.example/"), "A=2");
}

TEST(IdCookieManager, ServerDeletesACookieWithAPastDate) {
    TIdCookieManager manager;
    manager.AddServerCookie("A=1; path=/", "h.example");
    manager.AddServerCookie("A=gone; path=/; expires=Sun, 06 Nov 1994 08:49:37 GMT", "h.example");
    EXPECT_EQ(HeaderFor(manager, "http://h.example/"), "");
    EXPECT_EQ(manager.CookieCollection().Count(), 0);
}

TEST(IdCookieManager, ExpiryIsCheckedWhenAHeaderIsBuilt) {
    TIdCookieManager manager;
    manager.AddServerCookie("A=1; max-age=60; path=/", "h.example");
    manager.AddServerCookie("U=2; expires=Not a date; path=/", "h.example");
    EXPECT_EQ(HeaderFor(manager, "http://h.example/"), "A=1");
    manager.AddServerCookie("OLD=1; expires=Sun, 06 Nov 1994 08:49:37 GMT; path=/", "h.example");
    EXPECT_EQ(HeaderFor(manager, "http://h.example/"), "A=1");
}

TEST(IdCookieManager, RejectedCookieLeavesTheStoredOneAlone) {
    TIdCookieManager manager;
    manager.AddServerCookie("ID=1; path=/; domain=.example.com", "www.example.com");
    manager.AddServerCookie("ID=evil; path=/; domain=.other.com", "www.example.com");
    manager.AddServerCookie("ID=evil; path=/; domain=example.com", "www.example.com");
    EXPECT_EQ(manager.CookieCollection().Count(), 1);
    EXPECT_EQ(HeaderFor(manager, "http://www.example.com/"), "ID=1");
    EXPECT_EQ(HeaderFor(manager, "http://ftp.example.com/"), "ID=1");
}

TEST(IdCookieManager, EmptyValueIsStoredButNeverSent) {
    TIdCookieManager manager;
    manager.AddServerCookie("E=; path=/", "h.example");
    EXPECT_EQ(manager.CookieCollection().Count(), 1);
    EXPECT_EQ(HeaderFor(manager, "http://h.example/"), "");
}

TEST(IdCookieManager, CookiesStayWithTheirDomain) {
    TIdCookieManager manager;
    manager.AddServerCookie("A=1; path=/", "a.com");
    manager.AddServerCookie("B=1; path=/", "127.0.0.1");
    EXPECT_EQ(HeaderFor(manager, "http://a.com/"), "A=1");
    EXPECT_EQ(HeaderFor(manager, "http://WWW.A.COM/"), "A=1");
    // A domain text inside an unrelated longer name is no match.
    EXPECT_EQ(HeaderFor(manager, "http://evila.com/"), "");
    EXPECT_EQ(HeaderFor(manager, "http://a.com.evil.net/"), "");
    EXPECT_EQ(HeaderFor(manager, "http://127.0.0.1/"), "B=1");
    // An address is only ever itself.
    EXPECT_EQ(HeaderFor(manager, "http://10.127.0.0.1/"), "");
    EXPECT_EQ(HeaderFor(manager, "http://[::ffff:127.0.0.1]/"), "");
}

// "update.test." is "update.test": cookies go between the two spellings, and a domain may end in the dot too.
TEST(IdCookieManager, ATrailingDotNamesTheSameHost) {
    TIdCookieManager manager;
    manager.AddServerCookie("A=1; path=/", "update.test.");
    manager.AddServerCookie("B=2; path=/; domain=.example.test.", "www.example.test");
    EXPECT_EQ(HeaderFor(manager, "http://update.test/"), "A=1");
    EXPECT_EQ(HeaderFor(manager, "http://UPDATE.test./"), "A=1");
    EXPECT_EQ(HeaderFor(manager, "http://www.example.test./"), "B=2");
    EXPECT_EQ(HeaderFor(manager, "http://update.test.evil/"), "");
}

TEST(IdCookieManager, Events) {
    int created = 0;
    int destroyed = 0;
    {
        TIdCookieManager manager([&](TIdCookieManager* sender, TIdCookies* cookies) {
            ++created;
            EXPECT_EQ(&sender->CookieCollection(), cookies);
        });
        manager.OnDestroy = [&](TIdCookieManager*, TIdCookies* cookies) {
            ++destroyed;
            // Expired cookies are gone before the handler sees the collection.
            EXPECT_EQ(cookies->Count(), 1);
        };
        std::vector<std::string> offered;
        manager.OnNewCookie = [&](TIdCookieManager*, TIdCookieRFC2109* cookie, bool& accept) {
            EXPECT_TRUE(accept);
            offered.push_back(cookie->CookieName);
            accept = cookie->CookieName != "NO";
        };
        manager.AddServerCookie("YES=1; path=/", "h.example");
        manager.AddServerCookie("NO=1; path=/", "h.example");
        manager.AddServerCookie("WRONG=1; path=/; domain=x.example", "h.example");
        manager.AddServerCookie("OLD=1; expires=Sun, 06 Nov 1994 08:49:37 GMT; path=/", "h.example");
        EXPECT_EQ(offered, (std::vector<std::string>{"YES", "NO", "OLD"}));
        EXPECT_EQ(manager.CookieCollection().Count(), 2);
    }
    EXPECT_EQ(created, 1);
    EXPECT_EQ(destroyed, 1);
}

TEST(IdCookieManager, Rfc2965CookieWithBadPortFailsAndLeavesNothing) {
    TIdCookieManager manager;
    EXPECT_THROW(manager.AddServerCookie2("C=1; Port=\"x\"; path=/", "h.example"), EConvertError);
    EXPECT_EQ(manager.CookieCollection().Count(), 0);
    manager.AddServerCookie2("C=2; Port=\"80\"; path=/", "h.example");
    EXPECT_EQ(HeaderFor(manager, "http://h.example/"), "C=2");
}

}  // namespace
}  // namespace yeroup::http
