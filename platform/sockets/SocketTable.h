#pragma once
// Internal: the table from opaque socket handles to POSIX descriptors.
// An entry stays alive while any call uses it, so its descriptor is never reused under that call.
#include <memory>
#include <mutex>

#include "platform/sockets/WinSock.h"

namespace yeroup::platform::winsock::detail {

struct SocketEntry {
    explicit SocketEntry(int descriptor) : fd(descriptor) {}
    ~SocketEntry();
    SocketEntry(const SocketEntry&) = delete;
    SocketEntry& operator=(const SocketEntry&) = delete;

    // Creates the wake-up descriptor a blocking connect polls beside the socket; false once closed.
    bool ArmWake();
    // Marks the entry closed and wakes a blocked connect.
    void MarkClosed();
    bool Closed();
    int WakeFd();

    const int fd;

private:
    std::mutex mutex_;
    int wakeFd_ = -1;
    bool closed_ = false;
};

TSocket Insert(int fd);
std::shared_ptr<SocketEntry> Find(TSocket s);
std::shared_ptr<SocketEntry> Remove(TSocket s);

}  // namespace yeroup::platform::winsock::detail
