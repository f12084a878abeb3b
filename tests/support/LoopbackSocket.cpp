#include "tests/support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace yeroup::test {

namespace {

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool Bind(int fd, std::uint16_t port) {
    const sockaddr_in address = Loopback(port);
    return ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

std::uint16_t LocalPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

}  // namespace

ListeningSocket::ListeningSocket(int backlog) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) throw std::runtime_error(std::string("cannot open a socket: ") + std::strerror(errno));
    const int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (!Bind(fd_, 0) || ::listen(fd_, backlog) != 0 || (port_ = LocalPort(fd_)) == 0) {
        const std::string reason = std::strerror(errno);
        ::close(fd_);
        throw std::runtime_error("cannot listen on loopback: " + reason);
    }
}

ListeningSocket::~ListeningSocket() { ::close(fd_); }

void ListeningSocket::Shutdown() { ::shutdown(fd_, SHUT_RDWR); }

std::string LoopbackUrl(std::uint16_t port, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::uint16_t FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const std::uint16_t port = fd >= 0 && Bind(fd, 0) ? LocalPort(fd) : 0;
    if (fd >= 0) ::close(fd);
    if (port == 0) throw std::runtime_error("no free loopback port");
    return port;
}

int BindPort(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && !Bind(fd, port)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void CloseFd(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace yeroup::test
