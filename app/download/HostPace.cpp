#include "app/download/HostPace.h"

#include <algorithm>
#include <string>

namespace yeroup::app {

void THostPace::Start(http::TIdHTTP& client, std::int32_t afterHeadMs) {
    client.CallTimeout = limits_.headerDeadline * 1000;
    if (afterHeadMs > 0) client.CallTimeout = std::min(client.CallTimeout, afterHeadMs);
    afterHeadMs_ = afterHeadMs;
    before_ = current_ = spanBytes_ = 0;
    began_ = false;
}

void THostPace::Attach(http::TIdHTTP& client) {
    client.OnWorkBegin = [this, &client, next = client.OnWorkBegin](net::TIdComponent* sender, net::TWorkMode mode,
                                                                    std::int32_t countMax) {
        // The final body has begun: from here on the floor bounds it, not the deadline.
        if (mode == net::wmRead && client.Response().StatusCode() / 100 == 2) {
            client.SetTimeLimit(afterHeadMs_);
            if (!began_) {
                began_ = true;
                spanStart_ = std::chrono::steady_clock::now();
            }
        }
        current_ = 0;
        if (next) next(sender, mode, countMax);
    };
    client.OnWork = [this, next = client.OnWork](net::TIdComponent* sender, net::TWorkMode mode, std::int32_t count) {
        if (next) next(sender, mode, count);
        if (mode != net::wmRead || !began_) return;
        current_ = count;
        Moved(before_ + current_);
    };
    client.OnWorkEnd = [this, next = client.OnWorkEnd](net::TIdComponent* sender, net::TWorkMode mode) {
        if (mode == net::wmRead) {
            before_ += current_;
            current_ = 0;
        }
        if (next) next(sender, mode);
    };
}

void THostPace::Moved(std::int64_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (now - spanStart_ < std::chrono::seconds(limits_.speedTime)) return;
    if (total - spanBytes_ < limits_.speedLimit * limits_.speedTime)
        throw EHostTooSlow("the body moved " + std::to_string(total - spanBytes_) + " bytes in " +
                           std::to_string(limits_.speedTime) + " s, below the floor of " +
                           std::to_string(limits_.speedLimit) + " bytes/s");
    spanStart_ = now;
    spanBytes_ = total;
}

}  // namespace yeroup::app
