#include "net/IdConnectThread.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "net/IdComponent.h"
#include "platform/sockets/ErrorCodes.h"

namespace yeroup::net {

namespace ws = platform::winsock;

void TIdConnectThread::Execute() {
    try {
        // A bad or non-socket handle: the socket was closed under the connect (time-out or disconnect).
        GStack()->CheckSocketResult(binding_.ConnectToPeer(binding_.Family()), {ws::WSAEBADF, ws::WSAENOTSOCK});
    } catch (const std::exception& e) {
        // A socket closed under the connect from this side ends it quietly, whatever code the system reported for it
        // (a reset as well as a bad handle, depending on timing).
        if (binding_.HandleAllocated()) errorMessage_ = e.what();
    } catch (...) {
        if (binding_.HandleAllocated()) errorMessage_ = "Unknown error";
    }
    {
        std::lock_guard lock(mutex_);
        Terminate();  // the waiting side polls this flag
    }
    ended_.notify_all();
}

bool TIdConnectThread::WaitEnded(int milliseconds) {
    std::unique_lock lock(mutex_);
    return ended_.wait_for(lock, std::chrono::milliseconds(std::max(milliseconds, 0)), [this] { return Terminated(); });
}

}  // namespace yeroup::net
