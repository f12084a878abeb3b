#include "platform/sockets/WatchedSocket.h"

#include <poll.h>

#include "platform/sockets/SocketTable.h"

namespace yeroup::platform::winsock {

TWatchedSocket::TWatchedSocket(TSocket s) : entry_(detail::Find(s)) {}

TWatchedSocket::~TWatchedSocket() = default;

bool TWatchedSocket::Open() const { return entry_ && !entry_->Closed(); }

int TWatchedSocket::Descriptor() const { return entry_ ? entry_->fd : -1; }

bool TWatchedSocket::ReadableNow() const {
    if (!entry_) return false;
    pollfd fd{entry_->fd, POLLIN, 0};
    return ::poll(&fd, 1, 0) == 1;
}

}  // namespace yeroup::platform::winsock
