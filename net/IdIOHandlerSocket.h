#pragma once
// The transport over one TCP socket; connects directly, or on a worker thread with a time-out.
#include <cstdint>
#include <functional>
#include <memory>

#include "net/IdIOHandler.h"
#include "net/IdSocketHandle.h"

namespace yeroup::net {

class TIdConnectThread;

class TIdIOHandlerSocket : public TIdIOHandler {
public:
    TIdIOHandlerSocket() = default;
    ~TIdIOHandlerSocket() override;

    void CloseBinding() override;
    void ConnectTo(const std::string& host, std::int32_t port, const std::string& boundIP, std::int32_t boundPort,
                   std::int32_t boundPortMin, std::int32_t boundPortMax, std::int32_t timeout) override;
    bool HasSocket() override;
    void PrepareBinding() override;
    bool WaitReadable(std::int32_t timeout) override;
    // Raise EIdClosedSocket "Disconnected." without a socket.
    int Receive(void* buffer, int length) override;
    // NotReady without a socket too: the wait then reports the close.
    int ReceiveIfReady(void* buffer, int length) override;
    int Transmit(const void* buffer, int length) override;

    // Null until the first PrepareBinding.
    TIdSocketHandle* Binding() { return binding_.get(); }

    bool UseNagle = true;  // false sets TCP_NODELAY before connecting

    // How the threaded connect sleeps; tests may count or shorten the slices. Without it a slice ends as soon as
    // the connect does.
    std::function<void(int milliseconds)> SleepFunction;

private:
    void ThreadedConnect(std::int32_t timeout);
    void Sleep(int milliseconds, TIdConnectThread& thread);

    std::unique_ptr<TIdSocketHandle> binding_;
};

}  // namespace yeroup::net
