#pragma once
// Runs a blocking connect on a worker thread so the waiting thread can sleep in slices and pump.
#include <condition_variable>
#include <mutex>
#include <string>

#include "net/IdSocketHandle.h"
#include "platform/threads/Thread.h"

namespace yeroup::net {

class TIdConnectThread : public platform::TThread {
public:
    explicit TIdConnectThread(TIdSocketHandle& binding) : binding_(binding) {}
    ~TIdConnectThread() override { WaitFor(); }

    // Empty when the connect succeeded or was ended by closing its socket; read after WaitFor.
    const std::string& ErrorMessage() const { return errorMessage_; }
    // Waits up to the given milliseconds for the connect to end; true when it has.
    bool WaitEnded(int milliseconds);

protected:
    void Execute() override;

private:
    TIdSocketHandle& binding_;
    std::string errorMessage_;
    std::mutex mutex_;
    std::condition_variable ended_;
};

}  // namespace yeroup::net
