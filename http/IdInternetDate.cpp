#include "http/IdInternetDate.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "http/IdStrToInt.h"
#include "http/IdTextUtils.h"
#include "platform/timezone/TimeZone.h"

namespace yeroup::http {

namespace {

constexpr std::array<const char*, 7> kDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsDayName(std::string_view text) {
    for (const char* name : kDayNames)
        if (SameText(text, name)) return true;
    return false;
}

// 1 to 12, or 0 for text that is not a month name.
int MonthNumber(std::string_view text) {
    for (std::size_t i = 0; i < kMonthNames.size(); ++i)
        if (SameText(text, kMonthNames[i])) return static_cast<int>(i) + 1;
    return 0;
}

// "hh:mm:ss" with missing parts read as 0; false for a part that is not a number.
bool ReadTime(std::string text, TDateTime& time) {
    std::array<std::int32_t, 3> parts{};
    for (auto& part : parts) {
        if (text.empty()) break;
        if (!TryStrToInt(TakeUntil(text, ":"), part)) return false;
    }
    return TryEncodeTime(parts[0], parts[1], parts[2], 0, time);
}

}  // namespace

TDateTime OffsetFromUTC() {
    platform::TTimeZoneInformation info;
    std::int32_t bias = 0;
    switch (platform::GetTimeZoneInformation(info)) {
    case platform::TimeZoneId::tzUnknown: bias = info.Bias; break;
    case platform::TimeZoneId::tzStandard: bias = info.Bias + info.StandardBias; break;
    case platform::TimeZoneId::tzDaylight: bias = info.Bias + info.DaylightBias; break;
    default: throw EIdFailedToRetreiveTimeZoneInfo();
    }
    return -static_cast<TDateTime>(bias) / (24 * 60);
}

std::string DateTimeToInternetStr(TDateTime value) {
    const TDateTimeParts p = DecodeDateTime(value);
    const long zoneMinutes = std::lround(OffsetFromUTC() * 24 * 60);
    const long zone = std::labs(zoneMinutes);
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d %c%02ld%02ld",
                  kDayNames[static_cast<std::size_t>(p.DayOfWeek)], p.Day,
                  kMonthNames[static_cast<std::size_t>(p.Month - 1)], p.Year, p.Hour, p.Minute, p.Second,
                  zoneMinutes >= 0 ? '+' : '-', zone / 60, zone % 60);
    return text;
}

TDateTime RawStrInternetToDateTime(std::string& value) {
    value = Trim(value);
    if (value.empty()) return 0;

    // Short and full day names alike end at the first space (after their comma).
    if (IsDayName(std::string_view(value).substr(0, 3))) {
        TakeUntil(value, " ");
        value = TrimLeft(value);
    }

    const std::size_t dash = value.find('-');
    const std::size_t space = value.find(' ');
    const char* separator = (dash == std::string::npos || dash == 0 || dash > space) ? " " : "-";
    auto takeField = [&value, separator] {
        std::string field = TakeUntil(value, separator);
        value = TrimLeft(value);
        return field;
    };

    int day = 0;
    int month = 0;
    if (MonthNumber(value.substr(0, value.find(separator))) != 0) {  // asctime: month first
        month = MonthNumber(takeField());
        day = StrToIntDef(takeField(), 1);
    } else {
        day = StrToIntDef(takeField(), 1);
        month = MonthNumber(takeField());
    }

    std::string yearText = TakeUntil(value, " ");
    int year = StrToIntDef(yearText, 1900);
    if (year == 1900) {  // asctime: the time comes before the year
        year = StrToIntDef(value, 1900);
        value = yearText;
    }
    if (year < 80)
        year += 2000;
    else if (year < 100)
        year += 1900;

    TDateTime date = 0;
    if (!TryEncodeDate(year, month, day, date)) return 0;
    if (value.find(':') != std::string::npos) {
        TDateTime time = 0;
        if (!ReadTime(TakeUntil(value, " "), time)) return 0;
        date += time;
    }
    value = TrimLeft(value);
    return date;
}

TDateTime TimeZoneToOffset(const std::string& zone) {
    if (zone.size() != 5 || (zone[0] != '+' && zone[0] != '-')) return 0;
    for (std::size_t i = 1; i < 5; ++i)
        if (zone[i] < '0' || zone[i] > '9') return 0;
    const int hours = (zone[1] - '0') * 10 + (zone[2] - '0');
    const int minutes = (zone[3] - '0') * 10 + (zone[4] - '0');
    const TDateTime offset = (hours * 60 + minutes) / (24.0 * 60);
    return zone[0] == '-' ? -offset : offset;
}

TDateTime GMTToLocalDateTime(const std::string& value) {
    std::string rest = value;
    const TDateTime date = RawStrInternetToDateTime(rest);
    const TDateTime machineOffset = OffsetFromUTC();
    // An unreadable date stays 0 rather than turning into a time of day near the epoch.
    if (date == 0) return 0;
    const TDateTime zone = rest.size() > 4 ? TimeZoneToOffset(rest.substr(0, 5)) : 0;
    return date - zone + machineOffset;
}

}  // namespace yeroup::http
