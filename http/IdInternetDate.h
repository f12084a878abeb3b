#pragma once
// Internet dates in headers: the writer gives "Sun, 6 Nov 1994 08:49:37 +0800" (local time with the
// machine's zone); the reader takes the RFC 822/1123, RFC 850 and asctime forms.
#include <string>

#include "http/IdDateTime.h"
#include "net/IdException.h"

namespace yeroup::http {

class EIdFailedToRetreiveTimeZoneInfo : public net::EIdException {
public:
    EIdFailedToRetreiveTimeZoneInfo() : EIdException("Failed attempting to retrieve time zone information.") {}
};

// The machine's offset from UTC as a date-time fraction (positive east of UTC).
TDateTime OffsetFromUTC();

std::string DateTimeToInternetStr(TDateTime value);

// Reads the date and time from the front of value and leaves the unread rest (the zone) in it.
// Text that does not read as a date gives 0.
TDateTime RawStrInternetToDateTime(std::string& value);

// Reads a "+hhmm" or "-hhmm" zone as a date-time fraction; anything else gives 0.
TDateTime TimeZoneToOffset(const std::string& zone);

// The date converted from its own zone to the machine's local time; 0 when it does not read.
TDateTime GMTToLocalDateTime(const std::string& value);

}  // namespace yeroup::http
