#include "tests/net/support/LoopbackPeer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace yeroup::net::testing {

namespace {

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::uint16_t LocalPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

}  // namespace

PeerSocket::~PeerSocket() { Close(); }

void PeerSocket::Send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
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

std::string PeerSocket::ReceiveAvailable(int waitMs) {
    std::string out;
    pollfd p{fd_, POLLIN, 0};
    while (::poll(&p, 1, waitMs) > 0) {
        char block[65536];
        const ssize_t r = ::recv(fd_, block, sizeof block, 0);
        if (r <= 0) break;
        out.append(block, static_cast<std::size_t>(r));
        waitMs = 50;  // collect the rest of a burst
    }
    return out;
}

std::string PeerSocket::ReceiveUntilClose() {
    std::string out;
    char block[65536];
    for (;;) {
        const ssize_t r = ::recv(fd_, block, sizeof block, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        out.append(block, static_cast<std::size_t>(r));
    }
    return out;
}

void PeerSocket::ShutdownWrite() { ::shutdown(fd_, SHUT_WR); }

void PeerSocket::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

LoopbackListener::LoopbackListener(int backlog) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr_in address = Loopback(0);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, backlog) != 0)
        throw std::runtime_error("cannot listen on loopback");
    port_ = LocalPort(fd_);
}

LoopbackListener::~LoopbackListener() {
    Join();
    ::close(fd_);
}

void LoopbackListener::Serve(std::function<void(PeerSocket&)> script) {
    threads_.emplace_back([this, script = std::move(script)] {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 30000) <= 0) return;  // no client came
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        PeerSocket peer(fd);
        script(peer);
    });
}

void LoopbackListener::Join() {
    for (auto& thread : threads_)
        if (thread.joinable()) thread.join();
    threads_.clear();
}

FullBacklogListener::FullBacklogListener() : listener_(0) {
    // Backlog 0 still queues a connection or two; connect without accepting until one stays pending.
    for (int i = 0; i < 8; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        const sockaddr_in address = Loopback(listener_.Port());
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        fillers_.push_back(fd);
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 500) == 0) break;  // this one is stuck: the queue is full
    }
}

FullBacklogListener::~FullBacklogListener() {
    for (int fd : fillers_) ::close(fd);
}

std::uint16_t ClosedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(0);
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const std::uint16_t port = LocalPort(fd);
    ::close(fd);
    return port;
}

int BindPort(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = Loopback(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void CloseFd(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace yeroup::net::testing
