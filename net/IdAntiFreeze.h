#pragma once
// Keeps the windows responsive while a socket call blocks the main thread: a wait handles the window messages as
// they come where the pump can watch the socket, else it is cut into slices with a pump after each; bytes that
// are there already are read with a pump after the read. The newest instance is the current one.
#include <cstdint>
#include <optional>

#include "net/IdBaseComponent.h"
#include "net/MessagePump.h"

namespace yeroup::net {

class TIdAntiFreezeBase : public TIdBaseComponent {
public:
    TIdAntiFreezeBase();
    // Clears the current instance, whichever instance is destroyed.
    ~TIdAntiFreezeBase() override;

    bool Active = true;                  // pumping and wait slicing happen only when true
    bool ApplicationHasPriority = true;  // true: a pump processes every pending message; false: at most one
    std::int32_t IdleTimeOut = 250;      // slice of read waits in ms; also caps the connect slice
    bool OnlyWhenIdle = true;            // pump only after a slice in which no data arrived

    // The instance that governs slicing and pumping, or null.
    static TIdAntiFreezeBase* Current();
    // A current instance exists, it is active, and the caller is the main thread.
    static bool InEffect();
    static void PumpIfDue(bool idle, bool force = false);
    // In effect and the pump can watch the socket itself: the whole wait, with the messages handled as they
    // come. Otherwise nothing, and the caller waits in slices.
    static std::optional<bool> WaitThroughPump(platform::winsock::TSocket socket, std::int32_t ms);

    virtual void PumpMessages() = 0;
    virtual std::optional<bool> PumpWaitReadable(platform::winsock::TSocket /*socket*/, std::int32_t /*ms*/) {
        return std::nullopt;
    }
};

class TIdAntiFreeze : public TIdAntiFreezeBase {
public:
    explicit TIdAntiFreeze(IMessagePump& pump) : pump_(pump) {}

    void PumpMessages() override;
    std::optional<bool> PumpWaitReadable(platform::winsock::TSocket socket, std::int32_t ms) override {
        return pump_.WaitReadable(socket, ms);
    }

private:
    IMessagePump& pump_;  // borrowed
};

}  // namespace yeroup::net
