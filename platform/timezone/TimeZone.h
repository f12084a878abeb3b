#pragma once
// The time-zone service: the machine's bias from UTC in minutes (UTC = local time + bias), with the
// extra bias of standard and of daylight time, and which of the two is in force. Tests substitute
// the query to play any zone or a failing service.
#include <cstdint>
#include <functional>

namespace yeroup::platform {

enum class TimeZoneId {
    tzUnknown,   // the zone has no daylight saving time
    tzStandard,  // standard time is in force
    tzDaylight,  // daylight saving time is in force
    tzInvalid,   // the service failed
};

struct TTimeZoneInformation {
    std::int32_t Bias = 0;
    std::int32_t StandardBias = 0;
    std::int32_t DaylightBias = 0;
};

using TimeZoneQuery = std::function<TimeZoneId(TTimeZoneInformation&)>;

TimeZoneId GetTimeZoneInformation(TTimeZoneInformation& info);

// Installs a replacement for the machine's service (an empty query restores it); returns the one
// it replaces.
TimeZoneQuery SetTimeZoneQuery(TimeZoneQuery query);

// The machine's own answer, from the C library's view of the local zone.
TimeZoneId MachineTimeZoneInformation(TTimeZoneInformation& info);

}  // namespace yeroup::platform
