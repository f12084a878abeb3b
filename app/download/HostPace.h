#pragma once
// The bounds on a host that sends too slowly: the status line and headers within a deadline, and then a body that
// moves at least a floor of bytes per second over each span of time (as curl's --speed-limit and --speed-time). A
// host trickling a byte every few seconds is given up (and another host asked); a slow download that keeps moving
// is not.
#include <chrono>
#include <cstdint>

#include "app/core/Limits.h"
#include "http/IdHTTP.h"
#include "net/IdException.h"

namespace yeroup::app {

// The body moved fewer bytes than the floor over a whole span: a stall, resumed as any other cut.
class EHostTooSlow : public net::EIdReadTimeout {
public:
    using net::EIdReadTimeout::EIdReadTimeout;
};

struct THostPaceLimits {
    // Seconds from the request to the end of the final response's header block, redirects included.
    std::int32_t headerDeadline = limits::kHostHeaderDeadlineSeconds;
    // Bytes per second the body must keep up, measured over each span of speedTime seconds.
    std::int64_t speedLimit = limits::kHostSpeedFloorBytes;
    std::int32_t speedTime = limits::kHostSpeedSpanSeconds;
};

class THostPace {
public:
    explicit THostPace(const THostPaceLimits& limits) : limits_(limits) {}
    // Hooks the client's work events after the handlers already there; the caller keeps the client's own.
    void Attach(http::TIdHTTP& client);
    // Before each request: the deadline for its head, and afterHeadMs (0: none) for the rest of the call once the
    // body has begun.
    void Start(http::TIdHTTP& client, std::int32_t afterHeadMs);
    const THostPaceLimits& Limits() const { return limits_; }

private:
    void Moved(std::int64_t total);

    THostPaceLimits limits_;
    std::int32_t afterHeadMs_ = 0;
    std::int64_t before_ = 0;   // bytes of the work spans that have ended
    std::int64_t current_ = 0;  // bytes of the open span
    std::int64_t spanBytes_ = 0;
    std::chrono::steady_clock::time_point spanStart_;
    bool began_ = false;
};

}  // namespace yeroup::app
