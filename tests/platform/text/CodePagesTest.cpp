#include "platform/text/AsciiText.h"
#include "platform/text/CodePages.h"

#include <gtest/gtest.h>

#include <optional>

using namespace yeroup::platform;

TEST(CodePages, LeadBytesFollowTheCodePage) {
    EXPECT_TRUE(IsLeadByte(0x81, 936));
    EXPECT_TRUE(IsLeadByte(0xFE, 936));
    EXPECT_FALSE(IsLeadByte(0x80, 936));
    EXPECT_FALSE(IsLeadByte(0xFF, 936));
    EXPECT_FALSE(IsLeadByte('A', 936));
    EXPECT_TRUE(IsLeadByte(0x9F, 932));
    EXPECT_FALSE(IsLeadByte(0xA5, 932));
    EXPECT_FALSE(IsLeadByte(0xC4, 1252));
}

TEST(CodePages, GbkRoundTripsThroughUtf8) {
    const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文
    EXPECT_EQ(AnsiToUtf8(gbk), "中文");
    EXPECT_EQ(Utf8ToAnsi("中文"), gbk);
    EXPECT_EQ(AnsiToUtf8("plain"), "plain");
}

TEST(CodePages, ExactlyOnlyWhatTheCodePageHoldsWhole) {
    const struct {
        const char* utf8;
        std::optional<std::string> ansi;
    } cases[] = {
        {"YERO-T10 V1.05", "YERO-T10 V1.05"},
        {"播放器", "\xB2\xA5\xB7\xC5\xC6\xF7"},
        {"é€", "\xA8\xA6\x80"},  // pinyin letters and the euro sign are in code page 936
        {"Straße", std::nullopt},
        {"한국", std::nullopt},
        {"🎵", std::nullopt},
        {"\xC3(", std::nullopt},  // not UTF-8 at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToAnsiExactly(c.utf8), c.ansi);
    }
}

TEST(CodePages, OemNamesConvertToAnsi) {
    CodePages().oem = 437;
    CodePages().ansi = 1252;
    EXPECT_EQ(OemToAnsi("\x81"), "\xFC");  // ü
    CodePages() = CodePageSettings{};
    EXPECT_EQ(OemToAnsi("\xD6\xD0"), "\xD6\xD0");
}

TEST(CodePages, InvalidSequencesBecomeQuestionMarks) {
    EXPECT_EQ(AnsiToUtf8("a\xFF"
                         "b"),
              "a?b");
    EXPECT_EQ(AnsiToUtf8("cut\xD6"), "cut?");
}

// The test that decides whether an unmarked archive name is UTF-8: code page 936 names must fail it.
TEST(CodePages, WellFormedUtf8Only) {
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"plain", true},
        {"\xE5\x9B\xBA\xE4\xBB\xB6", true},   // 固件
        {"\xF0\x9F\x8E\xB5 \xC3\xA9", true},  // a four-byte and a two-byte character
        {"\xB9\xCC\xBC\xFE", false},          // 固件 in code page 936
        {"\xC0\xAF", false},                  // overlong "/"
        {"\xE0\x80\xAF", false},              // overlong "/", three bytes
        {"\xED\xA0\x80", false},              // a surrogate
        {"\xF4\x90\x80\x80", false},          // past U+10FFFF
        {"\xE5\x9B", false},                  // cut short
        {"\xE5\x41\xBA", false},              // a continuation byte missing
    };
    for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

TEST(CodePages, UnknownCodePageIsAClearError) {
    EXPECT_THROW(ConvertCodePage("x", 12345, 65001), std::invalid_argument);
}

TEST(AsciiText, FoldsOnlyAsciiLetters) {
    static_assert(SameText("Keep-Alive", "KEEP-ALIVE"));
    EXPECT_FALSE(SameText("ab", "abc"));
    EXPECT_FALSE(SameText("\xE4", "\xC4"));  // Latin-1 ä / Ä stay distinct
    EXPECT_FALSE(SameText("[", "{"));        // no folding outside the letters
    EXPECT_TRUE(SameText("\xD6\xD0x", "\xD6\xD0X"));
}

TEST(AsciiText, TrimRemovesControlBytesAndSpacesOnly) {
    EXPECT_EQ(Trim("\t\r\n a b \x01"), "a b");
    EXPECT_EQ(Trim("\xA1\xA1"), "\xA1\xA1");  // bytes above the space stay, GBK full-width blanks too
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(TrimRight("  x "), "  x");
    EXPECT_EQ(Trim("   "), "");
}
