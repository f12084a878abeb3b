#pragma once
// Keeps the windows responsive while a socket call blocks the main thread: waits are cut into
// slices and the window messages are pumped between them. The newest instance is the current one.
#include <cstdint>

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

    virtual void PumpMessages() = 0;
};

class TIdAntiFreeze : public TIdAntiFreezeBase {
public:
    explicit TIdAntiFreeze(IMessagePump& pump) : pump_(pump) {}

    void PumpMessages() override;

private:
    IMessagePump& pump_;  // borrowed
};

}  // namespace yeroup::net
