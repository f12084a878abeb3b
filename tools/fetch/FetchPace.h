#pragma once
// The fetch tool's bounds on a host that sends too slowly: the status line and headers within a deadline, and then
// a body that moves at least a floor of bytes per second over each span of time (as curl's --speed-limit and
// --speed-time). A host trickling a byte every few seconds is given up; a slow download that keeps moving is not.
#include <chrono>
#include <cstdint>

#include "http/IdHTTP.h"
#include "net/IdException.h"

namespace yeroup::tools {

// The body moved fewer bytes than the floor over a whole span: a stall, resumed as any other cut.
class EFetchTooSlow : public net::EIdReadTimeout {
public:
    using net::EIdReadTimeout::EIdReadTimeout;
};

struct TFetchPaceLimits {
    // Seconds from the request to the end of the final response's header block, redirects included.
    std::int32_t headerDeadline = 30;
    // Bytes per second the body must keep up, measured over each span of speedTime seconds.
    std::int64_t speedLimit = 100;
    std::int32_t speedTime = 30;
};

class TFetchPace {
public:
    explicit TFetchPace(const TFetchPaceLimits& limits) : limits_(limits) {}
    // Sets the client's deadline for the head and hooks its work events after the handlers already there.
    void Attach(http::TIdHTTP& client);

private:
    void Moved(std::int64_t total);

    TFetchPaceLimits limits_;
    std::int64_t before_ = 0;   // bytes of the work spans that have ended
    std::int64_t current_ = 0;  // bytes of the open span
    std::int64_t spanBytes_ = 0;
    std::chrono::steady_clock::time_point spanStart_;
    bool began_ = false;
};

}  // namespace yeroup::tools
