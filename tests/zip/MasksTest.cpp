#include "zip/Masks.h"

#include <gtest/gtest.h>

#include "platform/text/CodePages.h"
#include "platform/text/Locale.h"
#include "zip/Collation.h"
#include "zip/PathNames.h"

namespace yeroup::zip {
namespace {

TEST(MatchesMask, StarDotStarSelectsEveryNameAlsoWithoutDot) {
    EXPECT_TRUE(MatchesMask("README", "*.*"));
    EXPECT_TRUE(MatchesMask("a.b.c", "*.*"));
    EXPECT_TRUE(MatchesMask(".profile", "*.*"));
    EXPECT_TRUE(MatchesMask("data/sub/file.bin", "data/*"));
}

TEST(MatchesMask, CaseInsensitiveWithExactEnd) {
    EXPECT_TRUE(MatchesMask("notes.txt", "*.TXT"));
    EXPECT_FALSE(MatchesMask("notes.txt.bak", "*.TXT"));
    EXPECT_TRUE(MatchesMask("abc", "a?c"));
    EXPECT_FALSE(MatchesMask("ac", "a?c"));
    EXPECT_FALSE(MatchesMask("abcd", "abc"));
    EXPECT_FALSE(MatchesMask("anything", ""));
}

TEST(MatchesMask, FoldsOnlyTheFirstStarDotStar) {
    EXPECT_TRUE(MatchesMask("xyz", "x*.*"));
    EXPECT_FALSE(WildcardMatch("xyz", "x*.*", true));
    EXPECT_TRUE(WildcardMatch("xyz", "x*", true));
    // The second "*.*" stays and needs a dot.
    EXPECT_FALSE(MatchesMask("ab", "*.*a*.*"));
    EXPECT_TRUE(MatchesMask("ab.c", "*.*a*.*"));
}

TEST(WildcardMatch, EmptyNameAndTrailingStars) {
    EXPECT_TRUE(WildcardMatch("", "", true));
    EXPECT_TRUE(WildcardMatch("", "*", true));
    EXPECT_TRUE(WildcardMatch("", "*.*", true));
    EXPECT_FALSE(WildcardMatch("", "?", true));
    EXPECT_FALSE(WildcardMatch("", "**", true));
    // The name is exhausted when the first of two trailing stars is reached.
    EXPECT_FALSE(WildcardMatch("ab", "ab**", true));
    EXPECT_TRUE(WildcardMatch("ab", "ab*", true));
    EXPECT_TRUE(WildcardMatch("abc", "a**", true));
    EXPECT_FALSE(WildcardMatch("ABC", "abc", false));
    EXPECT_TRUE(WildcardMatch("ABC", "abc", true));
}

class LocaleScope {
public:
    explicit LocaleScope(std::uint32_t lcid, int ansi)
        : lcid_(platform::Locale().userLcid), ansi_(platform::CodePages().ansi) {
        platform::Locale().userLcid = lcid;
        platform::CodePages().ansi = ansi;
    }
    ~LocaleScope() {
        platform::Locale().userLcid = lcid_;
        platform::CodePages().ansi = ansi_;
    }

private:
    std::uint32_t lcid_;
    int ansi_;
};

TEST(Collation, DefaultLocaleIgnoresHyphensSoRanksAreNotDistinct) {
    const TCollationTables& t = Collation();
    EXPECT_FALSE(t.distinct);
    // Word sort: the hyphen and the apostrophe weigh nothing, so they compare equal.
    EXPECT_TRUE(CharsMatch('-', '\'', true));
    EXPECT_FALSE(CharsMatch('-', '\'', false));
    EXPECT_LT(CompareChars("a", "B", 1, true), 0);
    EXPECT_EQ(CompareChars("Ab", "aB", 2, true), 0);
    EXPECT_NE(CompareChars("Ab", "aB", 2, false), 0);
    // Double-byte text is matched byte by byte without case folding.
    EXPECT_TRUE(MatchesMask("\xB9\xCC\xBC\xFE.bin", "\xB9\xCC*"));
    EXPECT_FALSE(MatchesMask("\xB9\xCD\xBC\xFE.bin", "\xB9\xCC*"));
}

TEST(Collation, TurkishTablesFollowTheDottedAndDotlessI) {
    LocaleScope turkish(platform::kLocaleTurkish, 1254);
    const TCollationTables& t = Collation();
    ASSERT_TRUE(t.distinct);
    for (unsigned c = 0; c < 16; ++c) EXPECT_EQ(t.rank[c], c == 0 ? 0u : c + 1) << c;
    EXPECT_EQ(t.rank['a'], 65);
    EXPECT_EQ(t.rank['A'], 72);
    for (unsigned c = 0; c < 256; ++c) EXPECT_EQ(t.inverse[t.rank[c]], c);
    // Upper case of "i" is the dotted capital, of the dotless "i" the plain "I".
    EXPECT_TRUE(WildcardMatch("\xDD", "i", true));
    EXPECT_FALSE(WildcardMatch("I", "i", true));
    EXPECT_TRUE(WildcardMatch("I", "\xFD", true));
    EXPECT_TRUE(MatchesMask("FILE.TXT", "f\xFD*"));
    EXPECT_LT(CompareChars("a", "b", 1, false), 0);
    EXPECT_EQ(CompareChars("\xE7", "\xC7", 1, true), 0);
}

TEST(PathNames, SplitsAndDestinationFolder) {
    EXPECT_EQ(ExtractFileName("dir/sub/file.bin"), "file.bin");
    EXPECT_EQ(ExtractFilePath("dir/sub/file.bin"), "dir/sub/");
    EXPECT_EQ(ExtractFilePath("file.bin"), "");
    EXPECT_EQ(ExtractFileName("C:file"), "file");
    EXPECT_EQ(ExtractFileDrive("C:/x"), "C:");
    EXPECT_EQ(ExtractFileDrive("//server/share/x"), "//server/share");
    EXPECT_TRUE(IsRemovableDrive("a:/update.zip"));
    EXPECT_FALSE(IsRemovableDrive("/tmp/update.zip"));
    EXPECT_EQ(DestinationFolder("/opt/player"), "/opt/player/");
    EXPECT_EQ(DestinationFolder("/opt/player/"), "/opt/player/");
    const std::string cwd = DestinationFolder("");
    EXPECT_EQ(cwd.back(), '/');
    EXPECT_EQ(cwd.front(), '/');
}

TEST(PathNames, SafeRelativeNames) {
    EXPECT_TRUE(IsSafeRelativeName("dir/file.bin"));
    EXPECT_TRUE(IsSafeRelativeName("dir..name/..file"));
    EXPECT_FALSE(IsSafeRelativeName("../evil"));
    EXPECT_FALSE(IsSafeRelativeName("dir/../../evil"));
    EXPECT_FALSE(IsSafeRelativeName("dir/.."));
    EXPECT_FALSE(IsSafeRelativeName("dir/. ./file"));
    EXPECT_FALSE(IsSafeRelativeName("  /file"));
    EXPECT_TRUE(IsSafeRelativeName("./dir./file. "));
    EXPECT_FALSE(IsSafeRelativeName("/etc/passwd"));
    EXPECT_FALSE(IsSafeRelativeName("C:/evil"));
}

}  // namespace
}  // namespace yeroup::zip
