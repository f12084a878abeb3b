#pragma once
// Date-time values as the Windows components keep them: days since 30 December 1899, the fraction
// being the time of day.
#include <cstdint>

namespace yeroup::http {

using TDateTime = double;

struct TDateTimeParts {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
    int DayOfWeek = 0;  // 0 = Sunday
};

// False for a day that does not exist or a year outside 1..9999.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
// False unless 0 <= hour < 24, minute and second < 60, millisecond < 1000.
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
// Rounded to the millisecond; raises std::out_of_range outside the years 1 to 9999.
TDateTimeParts DecodeDateTime(TDateTime value);

constexpr TDateTime kSecondsPerDay = 86400.0;

// The current local date-time of the machine.
TDateTime Now();

}  // namespace yeroup::http
