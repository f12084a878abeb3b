#include "platform/text/Locale.h"

#include <gtest/gtest.h>

#include "platform/text/CodePages.h"

namespace yeroup::platform {
namespace {

TEST(Locale, WordSortOrdersLettersCaseAwareAndIgnoresHyphens) {
    const std::uint32_t lcid = GetUserDefaultLCID();
    EXPECT_EQ(lcid, kLocaleChinesePrc);
    EXPECT_LT(CompareStringA(lcid, false, "a", "A"), 0);
    EXPECT_LT(CompareStringA(lcid, false, "A", "b"), 0);
    EXPECT_LT(CompareStringA(lcid, false, "9", "a"), 0);
    EXPECT_LT(CompareStringA(lcid, false, "!", "0"), 0);
    EXPECT_EQ(CompareStringA(lcid, true, "ABC", "abc"), 0);
    EXPECT_EQ(CompareStringA(lcid, false, "co-op", "coop"), 0);
    EXPECT_EQ(CompareStringA(lcid, false, "it's", "its"), 0);
    EXPECT_LT(CompareStringA(lcid, false, "ab", "abc"), 0);
    EXPECT_GT(CompareStringA(lcid, false, "\x81", "z"), 0);
}

TEST(Locale, CaseConversionFollowsTheAnsiCodePage) {
    EXPECT_EQ(CharUpperByte('q'), 'Q');
    EXPECT_EQ(CharLowerByte('Q'), 'q');
    // In 936 the upper half holds lead and trail bytes, which have no case.
    EXPECT_EQ(CharUpperByte(0xE9), 0xE9);
    CodePages().ansi = 1252;
    EXPECT_EQ(CharUpperByte(0xE9), 0xC9);
    EXPECT_EQ(CharLowerByte(0xC9), 0xE9);
    EXPECT_EQ(CharUpperByte(0xF7), 0xF7);  // the division sign
    CodePages().ansi = 936;
}

}  // namespace
}  // namespace yeroup::platform
