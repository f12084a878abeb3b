#include "platform/timezone/TimeZone.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "tests/support/ScopedEnvironment.h"

using namespace yeroup::platform;

namespace {

// Plays a POSIX TZ rule for the machine's service and restores the old one afterwards.
class ScopedTz {
public:
    explicit ScopedTz(const char* rule) : tz_("TZ", rule) { tzset(); }

private:
    // Members go in reverse order: the old rule is back before the service reads it again.
    struct ReadAgainAtEnd {
        ~ReadAgainAtEnd() { tzset(); }
    } readAgain_;
    yeroup::test::ScopedEnvironment tz_;
};

}  // namespace

TEST(TimeZone, MachineServiceReportsBiasAndState) {
    TTimeZoneInformation info;
    {
        ScopedTz tz("XST-8");
        EXPECT_EQ(MachineTimeZoneInformation(info), TimeZoneId::tzUnknown);
        EXPECT_EQ(info.Bias, -480);
    }
    {
        ScopedTz tz("EST5");
        EXPECT_EQ(MachineTimeZoneInformation(info), TimeZoneId::tzUnknown);
        EXPECT_EQ(info.Bias, 300);
    }
    {
        // Daylight time all year round, two hours ahead of standard.
        ScopedTz tz("AAA3BBB1,J1/0,J365/25");
        EXPECT_EQ(MachineTimeZoneInformation(info), TimeZoneId::tzDaylight);
        EXPECT_EQ(info.Bias, 180);
        EXPECT_EQ(info.DaylightBias, -120);
    }
}

TEST(TimeZone, SubstitutedQueryIsUsedUntilRestored) {
    auto previous = SetTimeZoneQuery([](TTimeZoneInformation& info) {
        info.Bias = 60;
        return TimeZoneId::tzInvalid;
    });
    EXPECT_FALSE(previous);
    TTimeZoneInformation info;
    EXPECT_EQ(GetTimeZoneInformation(info), TimeZoneId::tzInvalid);
    EXPECT_EQ(info.Bias, 60);
    SetTimeZoneQuery(nullptr);
    ScopedTz tz("EST5");
    EXPECT_EQ(GetTimeZoneInformation(info), TimeZoneId::tzUnknown);
    EXPECT_EQ(info.Bias, 300);
}
