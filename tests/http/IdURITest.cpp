#include "http/IdTextUtils.h"
#include "http/IdURI.h"

#include <gtest/gtest.h>

#include "platform/text/CodePages.h"
#include "tests/support/ExpectThrow.h"

using yeroup::http::EIdURIException;
using yeroup::http::PosFromRight;
using yeroup::http::TakeUntil;
using yeroup::http::TIdURI;

namespace {

void ExpectParts(const TIdURI& u, const std::string& protocol, const std::string& host, const std::string& port,
                 const std::string& dir, const std::string& doc, const std::string& query,
                 const std::string& fragment) {
    EXPECT_EQ(u.Protocol, protocol);
    EXPECT_EQ(u.Host, host);
    EXPECT_EQ(u.Port, port);
    EXPECT_EQ(u.DirPath, dir);
    EXPECT_EQ(u.DocName, doc);
    EXPECT_EQ(u.Query, query);
    EXPECT_EQ(u.Fragment, fragment);
}

}  // namespace

TEST(IdURIParse, AbsoluteUrlSplitsIntoEveryPart) {
    TIdURI u("http://h:81/a/b/c.ini?x=1#top");
    ExpectParts(u, "http", "h", "81", "/a/b/", "c.ini", "?x=1", "top");
    EXPECT_EQ(u.FullText, "http://h:81/a/b/c.ini?x=1#top");
    EXPECT_EQ(u.DirPath + u.DocName + u.Query, "/a/b/c.ini?x=1");

    ExpectParts(TIdURI("http://host"), "http", "host", "", "/", "", "", "");
    ExpectParts(TIdURI("http://host/"), "http", "host", "", "/", "", "", "");
    ExpectParts(TIdURI("http://host/doc.htm#sec"), "http", "host", "", "/", "doc.htm", "", "sec");
    // A slash inside the query is not a directory separator.
    ExpectParts(TIdURI("http://h/d/p.cgi?u=/x/y"), "http", "h", "", "/d/", "p.cgi", "?u=/x/y", "");
    // Without "?" the query starts at the first "=".
    ExpectParts(TIdURI("http://h/d/p=1/2"), "http", "h", "", "/d/", "p", "=1/2", "");
}

TEST(IdURIParse, CredentialsComeFromTheAuthority) {
    TIdURI u("ftp://user:pa:ss@example.org:2121/f");
    EXPECT_EQ(u.Username, "user");
    EXPECT_EQ(u.Password, "pa:ss");
    EXPECT_EQ(u.Host, "example.org");
    EXPECT_EQ(u.Port, "2121");

    TIdURI noPassword("http://user@h/");
    EXPECT_EQ(noPassword.Username, "user");
    EXPECT_EQ(noPassword.Password, "");

    TIdURI emptyUser("http://:secret@h/");
    EXPECT_EQ(emptyUser.Username, "");
    EXPECT_EQ(emptyUser.Password, "");
    EXPECT_EQ(emptyUser.Host, "h");
}

TEST(IdURIParse, RelativeReferencesKeepProtocolAndHostEmpty) {
    ExpectParts(TIdURI("../x/y.htm"), "", "", "", "../x/", "y.htm", "", "");
    ExpectParts(TIdURI("y.htm?a=b#f"), "", "", "", "", "y.htm", "?a=b", "f");
    ExpectParts(TIdURI("/abs/doc"), "", "", "", "/abs/", "doc", "", "");
    // Without a query the "#" stays in the document name.
    ExpectParts(TIdURI("dir/doc#frag"), "", "", "", "dir/", "doc#frag", "", "");
}

TEST(IdURIParse, HostFollowedByQueryKeepsItInTheHost) {
    TIdURI u("http://h?x=1");
    EXPECT_EQ(u.Host, "h?x=1");
    EXPECT_EQ(u.DirPath, "/");
    EXPECT_EQ(u.Query, "");
}

TEST(IdURIParse, BackslashesBecomeSlashesOutsideDoubleByteCharacters) {
    ExpectParts(TIdURI("http:\\\\h\\a\\b.zip"), "http", "h", "", "/a/", "b.zip", "", "");
    // 0xD5 0x5C is one character in code page 936: its trail byte is not a separator.
    yeroup::platform::CodePages().ansi = 936;
    TIdURI u("http://h/\xD5\\x\\y.zip");
    EXPECT_EQ(u.DirPath, "/\xD5\\x/");
    EXPECT_EQ(u.DocName, "y.zip");
}

TEST(IdURIParse, BytesAreCarriedUnchanged) {
    TIdURI u("http://h/My Firmware/\xD6\xD0\xCE\xC4 1.0.zip?q=a b%20c");
    EXPECT_EQ(u.DirPath, "/My Firmware/");
    EXPECT_EQ(u.DocName, "\xD6\xD0\xCE\xC4 1.0.zip");
    EXPECT_EQ(u.Query, "?q=a b%20c");
}

TEST(IdURIParse, ParsingAgainReplacesEveryPart) {
    TIdURI u("http://u:p@h:1/a/b?c#d");
    u.SetText("e.htm");
    ExpectParts(u, "", "", "", "", "e.htm", "", "");
    EXPECT_EQ(u.Username, "");
    EXPECT_EQ(u.Password, "");
}

TEST(IdURIBuild, FlagsChooseCredentialsAndFragment) {
    TIdURI u("http://user:pw@h:8080/a/b.htm?q=1#frag");
    EXPECT_EQ(u.FullURI(), "http://user:pw@h:8080/a/b.htm?q=1#frag");
    EXPECT_EQ(u.FullURI(false, false), "http://h:8080/a/b.htm?q=1");
    EXPECT_EQ(u.FullURI(true, false), "http://user:pw@h:8080/a/b.htm?q=1");
    EXPECT_EQ(u.FullURI(false, true), "http://h:8080/a/b.htm?q=1#frag");

    u.Password.clear();
    EXPECT_EQ(u.FullURI(true, false), "http://user@h:8080/a/b.htm?q=1");
}

TEST(IdURIBuild, PlainUriKeepsTheFullTextAndReturnsItWithoutExtras) {
    TIdURI u("http://user:pw@h/x#f");
    u.Port = "80";
    EXPECT_EQ(u.PlainURI(), "http://h:80/x");
    EXPECT_EQ(u.FullText, "http://user:pw@h:80/x#f");
}

TEST(IdURIBuild, MissingProtocolOrHostRaises) {
    TIdURI u("../x/y.htm");
    EXPECT_THROW_TEXT(u.FullURI(), EIdURIException, "Protocol field is empty");
    u.Protocol = "http";
    EXPECT_THROW_TEXT(u.FullURI(false, false), EIdURIException, "Host field is empty");
}

TEST(IdURIResolvePath, MergesRelativePaths) {
    EXPECT_EQ(TIdURI::ResolvePath("/a/b/", "../c/"), "/a/c/");
    EXPECT_EQ(TIdURI::ResolvePath("/a/b", "c/d"), "/a/b/c/d");
    EXPECT_EQ(TIdURI::ResolvePath("/a/b/", "/z"), "/z");
    EXPECT_EQ(TIdURI::ResolvePath("", "/z"), "/z");
    EXPECT_EQ(TIdURI::ResolvePath("/a/b/c/", "../../d"), "/a/d");
    EXPECT_EQ(TIdURI::ResolvePath("/a/", "../../../d/"), "/d/");
    EXPECT_EQ(TIdURI::ResolvePath("/a//b/", "c//d/"), "/a/b/c/d/");
    EXPECT_EQ(TIdURI::ResolvePath("/a/", "./b"), "/a/./b");
}

TEST(IdURIResolvePath, TrailingDelimiterFollowsThePath) {
    EXPECT_EQ(TIdURI::ResolvePath("/a/b/", ""), "/a/b/");
    EXPECT_EQ(TIdURI::ResolvePath("/a/b/", "c"), "/a/b/c");
    EXPECT_EQ(TIdURI::ResolvePath("/a/b/", ".."), "/a");
    EXPECT_EQ(TIdURI::ResolvePath("/a/", ".."), "/");
    EXPECT_EQ(TIdURI::ResolvePath("", ""), "");
    EXPECT_EQ(TIdURI::ResolvePath("\\a\\b", "c", '\\'), "\\a\\b\\c");
}

TEST(IdURIHelpers, PosFromRightAndTakeUntil) {
    EXPECT_EQ(PosFromRight("/", "/a/b/c"), 5);
    EXPECT_EQ(PosFromRight("/", "/a/b/c", 4), 3);
    EXPECT_EQ(PosFromRight("AB", "xabyab", 6), 5);  // a start past the last fit moves back; case is ignored
    EXPECT_EQ(PosFromRight("z", "abc"), 0);
    EXPECT_EQ(PosFromRight("abcd", "abc"), 0);

    std::string text = "key=value=more";
    EXPECT_EQ(TakeUntil(text, "="), "key");
    EXPECT_EQ(text, "value=more");
    EXPECT_EQ(TakeUntil(text, "=", false), "value");
    EXPECT_EQ(text, "value=more");
    EXPECT_EQ(TakeUntil(text, "X"), "value=more");
    EXPECT_EQ(text, "");
    text = "aBc";
    EXPECT_EQ(TakeUntil(text, "b"), "aBc");  // case matters
}
