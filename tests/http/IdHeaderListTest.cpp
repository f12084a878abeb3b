#include "http/IdHeaderList.h"

#include <gtest/gtest.h>

#include "platform/text/CodePages.h"

using yeroup::http::TIdHeaderList;
using yeroup::http::TStringList;

namespace {

std::vector<std::string> Lines(const TStringList& list) { return {list.begin(), list.end()}; }

}  // namespace

TEST(IdStringList, TextRoundTripsAnyLineEnd) {
    TStringList list;
    list.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
    list.SetText("x\r\n\r\ny\r\n");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"x", "", "y"}));
    EXPECT_THROW(list.Delete(3), std::out_of_range);
    EXPECT_THROW(list.Insert(4, "z"), std::out_of_range);
}

TEST(IdHeaderListRead, NamesMatchWithoutRegardToCase) {
    TIdHeaderList h;
    h.Add("Content-Length: 42");
    h.Add("Content-Type: text/plain");
    h.Add("X-Empty:");
    EXPECT_EQ(h.FindHeader("content-length"), 0);
    EXPECT_EQ(h.HeaderValue("content-length"), "42");
    EXPECT_EQ(h.HeaderValue("CONTENT-TYPE"), "text/plain");
    EXPECT_EQ(h.FindHeader("Content"), -1);  // a prefix of a name is not the name
    EXPECT_EQ(h.HeaderValue("Missing"), "");
    EXPECT_EQ(h.HeaderValue("X-Empty"), "");
    EXPECT_EQ(h.LineName(1), "CONTENT-TYPE");
    EXPECT_EQ(h.LineValue(5), "");
    EXPECT_EQ(h.LineValue(-1), "");
    h.MatchCase = true;
    EXPECT_EQ(h.LineName(1), "Content-Type");
}

TEST(IdHeaderListRead, ContinuationLinesUnfoldIntoOneValue) {
    TIdHeaderList h;
    h.Add("X-Long: a");
    h.Add("\tb");
    h.Add("   c  ");
    h.Add("Next: n");
    EXPECT_EQ(h.HeaderValue("X-Long"), "a b c");
    EXPECT_EQ(h.HeaderValue("Next"), "n");
    h.Unfold = false;
    EXPECT_EQ(h.HeaderValue("X-Long"), "a");
}

TEST(IdHeaderListRead, CollectValuesReturnsEveryOccurrenceInOrder) {
    TIdHeaderList h;
    h.Add("Set-Cookie: a=1; path=/");
    h.Add("Server: x");
    h.Add("set-cookie: b=2");
    h.Add(" ; domain=h");
    h.Add("Set-cookie2: c=3");
    TStringList values;
    values.Add("kept");
    h.CollectValues("Set-cookie", values);
    EXPECT_EQ(Lines(values), (std::vector<std::string>{"kept", "a=1; path=/", "b=2 ; domain=h"}));
}

TEST(IdHeaderListWrite, SetHeaderReplacesTheFirstLineOnly) {
    TIdHeaderList h;
    h.SetHeader("Content-Type", "text/plain");
    h.SetHeader("Content-Type", "text/html");
    EXPECT_EQ(Lines(h), (std::vector<std::string>{"Content-Type: text/html"}));

    h.Add("X-A: 1");
    h.Add(" more");
    h.Add("X-A: 2");
    h.SetHeader("x-a", "3");
    EXPECT_EQ(Lines(h), (std::vector<std::string>{"Content-Type: text/html", "x-a: 3", "X-A: 2"}));

    h.Insert(2, "\tcontinued");
    h.SetHeader("X-A", "");
    EXPECT_EQ(Lines(h), (std::vector<std::string>{"Content-Type: text/html", "X-A: 2"}));
    h.SetHeader("Absent", "");
    EXPECT_EQ(h.Count(), 2);
}

TEST(IdHeaderListWrite, LongValuesFoldAndReadBackJoined) {
    std::string words;
    for (int i = 0; i < 30; ++i) words += (i ? " " : "") + std::string("word") + std::to_string(i);
    TIdHeaderList h;
    h.SetHeader("X-Words", words);
    ASSERT_GT(h.Count(), 1);
    for (int i = 0; i < h.Count(); ++i) {
        EXPECT_LE(h[i].size(), 78u + 8u) << h[i];  // ends at the first break past the width
        if (i > 0) {
            EXPECT_EQ(h[i][0], ' ');
            EXPECT_NE(h[i][1], ' ');
        }
        EXPECT_NE(h[i].back(), ' ');
    }
    EXPECT_EQ(h.HeaderValue("X-Words"), words);

    // Replacing a folded header removes all of its old lines.
    h.Add("After: 1");
    h.SetHeader("X-Words", "short");
    EXPECT_EQ(Lines(h), (std::vector<std::string>{"X-Words: short", "After: 1"}));

    TIdHeaderList wide(1024);
    wide.SetHeader("X-Words", words);
    EXPECT_EQ(wide.Count(), 1);
    wide.Fold = false;
    wide.FoldWidth = 10;
    wide.SetHeader("X-Words", words);
    EXPECT_EQ(wide.Count(), 1);
}

TEST(IdHeaderListWrite, FoldingNeverBreaksInsideQuotesOrCharacters) {
    yeroup::platform::CodePages().ansi = 936;
    TIdHeaderList h;
    h.FoldWidth = 20;
    h.SetHeader("X-Q", "a \"quoted text, with breaks inside\" b");
    // The break goes before the quotes; the last lone character is not moved to a line of its own.
    EXPECT_EQ(Lines(h), (std::vector<std::string>{"X-Q: a", " \"quoted text, with breaks inside\" b"}));

    // Each double-byte character counts two columns: "X-Q: " and 6 of them fill 17 of the 20.
    const std::string word = "\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4\xD6\xD0\xCE\xC4";
    h.SetHeader("X-Q", word + " " + word + " " + word);
    EXPECT_EQ(Lines(h), (std::vector<std::string>{"X-Q: " + word, " " + word, " " + word}));
    EXPECT_EQ(h.HeaderValue("X-Q"), word + " " + word + " " + word);
}

TEST(IdHeaderListWrite, ExistingBreaksAreKeptAndBlankPiecesDropped) {
    TIdHeaderList h;
    h.SetHeader("X-B", "one\r\n two");
    EXPECT_EQ(Lines(h), (std::vector<std::string>{"X-B: one", " two"}));

    // Bare line breaks cannot start header lines of their own, folded or not.
    for (bool fold : {true, false}) {
        h.Clear();
        h.Fold = fold;
        h.SetHeader("Host", "a\rX-Evil: 1\nX-Too: 2\r\nX-Three: 3");
        EXPECT_EQ(Lines(h), (std::vector<std::string>{"Host: a X-Evil: 1 X-Too: 2  X-Three: 3"}));
    }
    h.Fold = true;

    // A long run of blanks must not leave an empty line, which would end the header block.
    h.Clear();
    h.SetHeader("X-S", std::string(40, 'a') + std::string(300, ' ') + "z");
    for (int i = 0; i < h.Count(); ++i) EXPECT_FALSE(h[i].empty()) << "line " << i;
    EXPECT_EQ(h.HeaderValue("X-S"), std::string(40, 'a') + " z");
}
