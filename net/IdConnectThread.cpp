#include "net/IdConnectThread.h"

#include <exception>

#include "net/IdComponent.h"

namespace yeroup::net {

void TIdConnectThread::Execute() {
    try {
        // 10009 and 10038: the socket was closed under the connect (time-out or disconnect).
        GStack()->CheckSocketResult(binding_.ConnectToPeer(Id_PF_INET), {10009, 10038});
    } catch (const std::exception& e) {
        errorMessage_ = e.what();
    } catch (...) {
        errorMessage_ = "Unknown error";
    }
    Terminate();  // the waiting side polls this flag
}

}  // namespace yeroup::net
