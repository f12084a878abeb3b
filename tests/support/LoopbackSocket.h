#pragma once
// Plain POSIX sockets on 127.0.0.1 for test peers: a listener on a free port and small port helpers.
#include <cstdint>
#include <string>

namespace yeroup::test {

// A socket listening on 127.0.0.1 on a free port; throws when it cannot, closes on destruction.
class ListeningSocket {
public:
    explicit ListeningSocket(int backlog = 16);
    ~ListeningSocket();
    ListeningSocket(const ListeningSocket&) = delete;
    ListeningSocket& operator=(const ListeningSocket&) = delete;

    std::uint16_t Port() const { return port_; }
    int fd() const { return fd_; }
    // Makes a blocked accept on it return.
    void Shutdown();

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// "http://127.0.0.1:<port><path>".
std::string LoopbackUrl(std::uint16_t port, const std::string& path);

// A port on 127.0.0.1 that was free a moment ago: nobody listens on it, so connects to it are refused.
std::uint16_t FreeLoopbackPort();

// A socket bound (not listening) to 127.0.0.1:port; -1 when the port is taken.
int BindPort(std::uint16_t port);
void CloseFd(int fd);

}  // namespace yeroup::test
