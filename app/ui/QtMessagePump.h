#pragma once
// The anti-freeze's window-system side over the Qt event loop.
#include <functional>

#include "net/MessagePump.h"

namespace yeroup::app {

class TQtMessagePump final : public net::IMessagePump {
public:
    void ProcessAllPending() override;
    // Qt cannot peek at its queue without taking from it, so it answers that something may be pending and
    // HandleOne then runs one non-waiting round of the event dispatcher.
    bool HasPending() override;
    void HandleOne() override;
    std::optional<bool> WaitReadable(platform::winsock::TSocket socket, std::int32_t ms) override;
    // Runs step on a thread of its own while this thread handles its messages as they come; rethrows what it threw.
    static void RunBeside(const std::function<void()>& step);
};

}  // namespace yeroup::app
