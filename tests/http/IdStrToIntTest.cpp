#include "http/IdStrToInt.h"

#include <gtest/gtest.h>

#include "http/IdConvertError.h"
#include "tests/support/ExpectThrow.h"

using namespace yeroup::http;

TEST(IdStrToInt, AcceptsOnlyWholeDecimalNumbersInRange) {
    std::int32_t v = 7;
    EXPECT_TRUE(TryStrToInt("42", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(TryStrToInt("  -5", v));
    EXPECT_EQ(v, -5);
    EXPECT_TRUE(TryStrToInt("+2147483647", v));
    EXPECT_EQ(v, 2147483647);
    EXPECT_TRUE(TryStrToInt("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    for (const char* bad : {"", " ", "+", "-", "+-1", "++1", "1 ", "12a", "0x10", "$10", "2147483648", "1.5"}) {
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
        EXPECT_EQ(StrToIntDef(bad, -1), -1) << bad;
    }
    EXPECT_THROW_TEXT(StrToInt("abc"), EConvertError, "'abc' is not a valid integer value");
}
