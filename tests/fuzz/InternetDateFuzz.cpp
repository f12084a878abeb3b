// Feeds arbitrary text to the internet date reader and writes every date it reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "http/IdInternetDate.h"

using namespace yeroup::http;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string rest = text;
    const TDateTime date = RawStrInternetToDateTime(rest);
    // Read dates lie within the years 1 to 9999 and always write.
    if (date != 0) DateTimeToInternetStr(date);
    if (rest.size() > text.size()) std::abort();

    const TDateTime local = GMTToLocalDateTime(text);
    try {
        if (local != 0) DateTimeToInternetStr(local);
    } catch (const std::out_of_range&) {
        // The zone offsets can carry 1 January of the year 1 below the range.
    }
    return 0;
}
