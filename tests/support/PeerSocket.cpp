#include "tests/support/PeerSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace yeroup::test {

namespace {

constexpr std::size_t kBlock = 65536;

}  // namespace

PeerSocket::~PeerSocket() { Close(); }

bool PeerSocket::Send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string PeerSocket::Receive(std::size_t n) {
    std::string out(n, '\0');
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::recv(fd_, out.data() + got, n - got, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<std::size_t>(r);
    }
    out.resize(got);
    return out;
}

bool PeerSocket::ReceiveSome(std::string& into) {
    char block[kBlock];
    for (;;) {
        const ssize_t r = ::recv(fd_, block, sizeof block, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        into.append(block, static_cast<std::size_t>(r));
        return true;
    }
}

std::string PeerSocket::ReceiveAvailable(int waitMs) {
    std::string out;
    pollfd p{fd_, POLLIN, 0};
    while (::poll(&p, 1, waitMs) > 0) {
        if (!ReceiveSome(out)) break;
        waitMs = 50;  // collect the rest of a burst
    }
    return out;
}

std::string PeerSocket::ReceiveUntilClose() {
    std::string out;
    while (ReceiveSome(out)) {}
    return out;
}

void PeerSocket::ShutdownWrite() { ::shutdown(fd_, SHUT_WR); }

void PeerSocket::Shutdown() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

void PeerSocket::Close() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace yeroup::test
