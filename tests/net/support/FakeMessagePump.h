#pragma once
// A message pump stand-in that counts the calls and can run a handler, as a window message would.
#include <functional>

#include "net/MessagePump.h"

namespace yeroup::test {

class FakeMessagePump : public net::IMessagePump {
public:
    void ProcessAllPending() override {
        ++processAllCalls;
        RunHandler();
    }
    bool HasPending() override {
        ++hasPendingCalls;
        return pending > 0;
    }
    void HandleOne() override {
        ++handleOneCalls;
        if (pending > 0) --pending;
        RunHandler();
    }

    int Pumps() const { return processAllCalls + handleOneCalls; }

    int processAllCalls = 0;
    int hasPendingCalls = 0;
    int handleOneCalls = 0;
    int pending = 0;               // messages queued for the one-at-a-time mode
    std::function<void()> onPump;  // runs inside every pump, like a button handler

private:
    void RunHandler() {
        if (onPump) onPump();
    }
};

}  // namespace yeroup::test
