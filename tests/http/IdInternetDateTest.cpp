#include "http/IdInternetDate.h"

#include <gtest/gtest.h>

#include <cmath>

#include "http/IdDateTime.h"
#include "platform/timezone/TimeZone.h"
#include "tests/support/ExpectThrow.h"

using namespace yeroup::http;
using yeroup::platform::SetTimeZoneQuery;
using yeroup::platform::TimeZoneId;
using yeroup::platform::TTimeZoneInformation;

namespace {

// Plays a machine in a given zone for the length of a test.
class ZoneFixture : public ::testing::Test {
protected:
    void TearDown() override { SetTimeZoneQuery(nullptr); }

    static void PlayZone(TimeZoneId id, int bias, int standardBias = 0, int daylightBias = -60) {
        SetTimeZoneQuery([=](TTimeZoneInformation& info) {
            info.Bias = bias;
            info.StandardBias = standardBias;
            info.DaylightBias = daylightBias;
            return id;
        });
    }
};

TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    TDateTime date = 0;
    TDateTime time = 0;
    EXPECT_TRUE(TryEncodeDate(y, mo, d, date));
    EXPECT_TRUE(TryEncodeTime(h, mi, s, 0, time));
    return date + time;
}

void ExpectSameSecond(TDateTime actual, TDateTime expected) {
    EXPECT_NEAR(actual * kSecondsPerDay, expected * kSecondsPerDay, 0.01);
}

}  // namespace

TEST(IdDateTime, EncodesAndDecodesDays) {
    EXPECT_DOUBLE_EQ(At(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(At(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(At(2000, 2, 29, 12), 36585.5);
    TDateTime unused = 0;
    EXPECT_FALSE(TryEncodeDate(1999, 2, 29, unused));
    EXPECT_FALSE(TryEncodeDate(2000, 13, 1, unused));
    EXPECT_FALSE(TryEncodeDate(0, 1, 1, unused));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, unused));
    EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, unused));

    const TDateTimeParts p = DecodeDateTime(At(1994, 11, 6, 8, 49, 37));
    EXPECT_EQ(p.Year, 1994);
    EXPECT_EQ(p.Month, 11);
    EXPECT_EQ(p.Day, 6);
    EXPECT_EQ(p.Hour, 8);
    EXPECT_EQ(p.Minute, 49);
    EXPECT_EQ(p.Second, 37);
    EXPECT_EQ(p.DayOfWeek, 0);  // a Sunday
    // A value a hair below midnight rounds up to the next day rather than to 24:00:00.
    const TDateTimeParts late = DecodeDateTime(At(2020, 12, 31) + 1 - 1e-10);
    EXPECT_EQ(late.Year, 2021);
    EXPECT_EQ(late.Hour, 0);
    EXPECT_EQ(DecodeDateTime(-1.5).Day, 28);  // before the epoch
    EXPECT_THROW(DecodeDateTime(1e300), std::out_of_range);
    EXPECT_THROW(DecodeDateTime(std::nan("")), std::out_of_range);
}

TEST(IdInternetDateRead, ThreeFormsGiveTheSameInstant) {
    const TDateTime expected = At(1994, 11, 6, 8, 49, 37);
    for (const char* text : {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
                             "Sun Nov  6 08:49:37 1994", "  sun, 6 nov 1994 08:49:37 +0000  "}) {
        std::string rest = text;
        ExpectSameSecond(RawStrInternetToDateTime(rest), expected);
    }
    std::string rest = "Sun, 06 Nov 1994 08:49:37 GMT";
    RawStrInternetToDateTime(rest);
    EXPECT_EQ(rest, "GMT");
    rest = "Sun Nov  6 08:49:37 1994";
    RawStrInternetToDateTime(rest);
    EXPECT_EQ(rest, "");
}

TEST(IdInternetDateRead, TwoDigitYearsAndPartialTimes) {
    std::string text = "01 Jan 79 00:00:00";
    ExpectSameSecond(RawStrInternetToDateTime(text), At(2079, 1, 1));
    text = "01 Jan 80";
    ExpectSameSecond(RawStrInternetToDateTime(text), At(1980, 1, 1));
    text = "Mon, 02-Feb-2004 13:14 GMT";
    ExpectSameSecond(RawStrInternetToDateTime(text), At(2004, 2, 2, 13, 14));
    text = "xx Mar 2001";  // a day that is not a number reads as the first
    ExpectSameSecond(RawStrInternetToDateTime(text), At(2001, 3, 1));
}

TEST(IdInternetDateRead, UnreadableTextGivesZero) {
    for (const char* text :
         {"", "   ", "garbage", "31 Feb 2001 10:00:00 GMT", "06 Nov 1994 25:00:00 GMT", "06 Nov 1994 aa:bb:cc",
          "06 Foo 1994", "-1", "Sun,", "1 Jan 10000", "01 Jan 2000 08:99999999999"}) {
        std::string rest = text;
        EXPECT_EQ(RawStrInternetToDateTime(rest), 0.0) << text;
    }
}

TEST_F(ZoneFixture, LocalTimeAppliesTheDateZoneAndTheMachineOffset) {
    PlayZone(TimeZoneId::tzUnknown, -480);  // eight hours east
    ExpectSameSecond(GMTToLocalDateTime("Sun, 06 Nov 1994 08:49:37 GMT"), At(1994, 11, 6, 16, 49, 37));
    ExpectSameSecond(GMTToLocalDateTime("Sun, 06 Nov 1994 08:49:37 -0130"), At(1994, 11, 6, 18, 19, 37));
    ExpectSameSecond(GMTToLocalDateTime("Sun, 06 Nov 1994 08:49:37 +0800"), At(1994, 11, 6, 8, 49, 37));
    ExpectSameSecond(GMTToLocalDateTime("Sun, 06 Nov 1994 08:49:37 +08x0"), At(1994, 11, 6, 16, 49, 37));
    EXPECT_EQ(GMTToLocalDateTime("not a date"), 0.0);
    EXPECT_EQ(GMTToLocalDateTime(""), 0.0);
}

TEST_F(ZoneFixture, MachineOffsetFollowsStandardAndDaylightTime) {
    PlayZone(TimeZoneId::tzStandard, 300, 0, -60);
    EXPECT_DOUBLE_EQ(OffsetFromUTC(), -5.0 / 24);
    PlayZone(TimeZoneId::tzDaylight, 300, 0, -60);
    EXPECT_DOUBLE_EQ(OffsetFromUTC(), -4.0 / 24);
    PlayZone(TimeZoneId::tzStandard, -60, -30, 0);
    EXPECT_DOUBLE_EQ(OffsetFromUTC(), 1.5 / 24);
}

TEST_F(ZoneFixture, FailingZoneServiceRaisesWhereverDatesAreUsed) {
    PlayZone(TimeZoneId::tzInvalid, 0);
    EXPECT_THROW(OffsetFromUTC(), EIdFailedToRetreiveTimeZoneInfo);
    EXPECT_THROW(DateTimeToInternetStr(At(2000, 1, 1)), EIdFailedToRetreiveTimeZoneInfo);
    EXPECT_THROW_TEXT(GMTToLocalDateTime("Sun, 06 Nov 1994 08:49:37 GMT"), yeroup::net::EIdException,
                      "Failed attempting to retrieve time zone information.");
}

TEST_F(ZoneFixture, WriterUsesLocalTimeAndTheMachineZone) {
    PlayZone(TimeZoneId::tzUnknown, -480);
    EXPECT_EQ(DateTimeToInternetStr(At(1994, 11, 6, 8, 49, 37)), "Sun, 6 Nov 1994 08:49:37 +0800");
    PlayZone(TimeZoneId::tzUnknown, 60);
    EXPECT_EQ(DateTimeToInternetStr(At(2026, 12, 8, 23, 5, 9)), "Tue, 8 Dec 2026 23:05:09 -0100");
    PlayZone(TimeZoneId::tzUnknown, 0);
    EXPECT_EQ(DateTimeToInternetStr(At(2000, 2, 29)), "Tue, 29 Feb 2000 00:00:00 +0000");
    PlayZone(TimeZoneId::tzUnknown, -345);
    EXPECT_EQ(DateTimeToInternetStr(At(2001, 1, 1)), "Mon, 1 Jan 2001 00:00:00 +0545");

    // What the writer gives, the reader takes back to the same local time.
    PlayZone(TimeZoneId::tzUnknown, 300);
    const TDateTime local = At(2010, 7, 4, 12, 30, 15);
    ExpectSameSecond(GMTToLocalDateTime(DateTimeToInternetStr(local)), local);
}

TEST(IdDateTime, NowIsTheLocalClock) {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    const TDateTime expected = At(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                  local.tm_sec == 60 ? 59 : local.tm_sec);
    EXPECT_NEAR((Now() - expected) * kSecondsPerDay, 0.5, 60.0);
}
