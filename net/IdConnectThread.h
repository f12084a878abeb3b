#pragma once
// Runs a blocking connect on a worker thread so the waiting thread can sleep in slices and pump.
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

protected:
    void Execute() override;

private:
    TIdSocketHandle& binding_;
    std::string errorMessage_;
};

}  // namespace yeroup::net
