#include "platform/timezone/TimeZone.h"

#include <ctime>
#include <mutex>
#include <utility>

namespace yeroup::platform {

namespace {

std::mutex& QueryLock() {
    static std::mutex lock;
    return lock;
}

TimeZoneQuery& InstalledQuery() {
    static TimeZoneQuery query;
    return query;
}

}  // namespace

TimeZoneId MachineTimeZoneInformation(TTimeZoneInformation& info) {
    info = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) return TimeZoneId::tzInvalid;
    // localtime_r sets the tzname/timezone/daylight globals as tzset does.
    const long standardWest = ::timezone;  // seconds west of UTC in standard time
    info.Bias = static_cast<std::int32_t>(standardWest / 60);
    if (!::daylight) return TimeZoneId::tzUnknown;
    if (local.tm_isdst > 0) {
        const long nowWest = -local.tm_gmtoff;
        info.DaylightBias = static_cast<std::int32_t>((nowWest - standardWest) / 60);
        return TimeZoneId::tzDaylight;
    }
    // The usual one-hour advance; the exact figure only matters while daylight time is in force.
    info.DaylightBias = -60;
    return TimeZoneId::tzStandard;
}

TimeZoneId GetTimeZoneInformation(TTimeZoneInformation& info) {
    TimeZoneQuery query;
    {
        std::lock_guard<std::mutex> guard(QueryLock());
        query = InstalledQuery();
    }
    return query ? query(info) : MachineTimeZoneInformation(info);
}

TimeZoneQuery SetTimeZoneQuery(TimeZoneQuery query) {
    std::lock_guard<std::mutex> guard(QueryLock());
    return std::exchange(InstalledQuery(), std::move(query));
}

}  // namespace yeroup::platform
