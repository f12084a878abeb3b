#pragma once
// Test peers on 127.0.0.1 built on plain POSIX sockets: a listener whose accepted connections
// run a script on a thread of their own, and helpers for the peer's side of the conversation.
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace yeroup::net::testing {

// One accepted connection, seen from the peer's side. Closes on destruction.
class PeerSocket {
public:
    explicit PeerSocket(int fd) : fd_(fd) {}
    ~PeerSocket();
    PeerSocket(const PeerSocket&) = delete;
    PeerSocket& operator=(const PeerSocket&) = delete;

    void Send(const std::string& bytes);
    // Reads exactly n bytes; fewer when the client closes first.
    std::string Receive(std::size_t n);
    // Whatever arrives within the wait (empty when nothing does).
    std::string ReceiveAvailable(int waitMs);
    std::string ReceiveUntilClose();
    void ShutdownWrite();
    void Close();
    int fd() const { return fd_; }

private:
    int fd_;
};

// Listens on 127.0.0.1 on a free port.
class LoopbackListener {
public:
    explicit LoopbackListener(int backlog = 16);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    std::uint16_t Port() const { return port_; }
    // Accepts one connection on a thread and runs the script with it; Join waits for the script.
    void Serve(std::function<void(PeerSocket&)> script);
    void Join();
    int fd() const { return fd_; }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::vector<std::thread> threads_;
};

// A listener with backlog 0 whose queue is filled by connections nobody accepts, so a further
// connect stays pending until it is given up.
class FullBacklogListener {
public:
    FullBacklogListener();
    ~FullBacklogListener();
    std::uint16_t Port() const { return listener_.Port(); }

private:
    LoopbackListener listener_;
    std::vector<int> fillers_;
};

// A port on 127.0.0.1 that nobody listens on, so connects to it are refused.
std::uint16_t ClosedPort();

// A socket bound (not listening) to 127.0.0.1:port; -1 when the port is taken.
int BindPort(std::uint16_t port);
void CloseFd(int fd);

}  // namespace yeroup::net::testing
