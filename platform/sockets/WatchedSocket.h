#pragma once
// A socket's descriptor for an event loop to watch. The descriptor stays open while the watch lives: a close
// meanwhile only shuts it down, which the loop sees as readable.
#include <memory>

#include "platform/sockets/WinSock.h"

namespace yeroup::platform::winsock {

namespace detail {
struct SocketEntry;
}

class TWatchedSocket {
public:
    explicit TWatchedSocket(TSocket s);
    ~TWatchedSocket();
    TWatchedSocket(const TWatchedSocket&) = delete;
    TWatchedSocket& operator=(const TWatchedSocket&) = delete;

    bool Open() const;         // the handle named an open socket, which has not been closed since
    int Descriptor() const;    // -1 unless it was open
    bool ReadableNow() const;  // bytes (or the end) are there, without waiting

private:
    std::shared_ptr<detail::SocketEntry> entry_;
};

}  // namespace yeroup::platform::winsock
