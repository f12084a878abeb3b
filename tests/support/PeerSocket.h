#pragma once
// One accepted connection, seen from the test peer's side. Closes on destruction.
#include <cstddef>
#include <mutex>
#include <string>

namespace yeroup::test {

class PeerSocket {
public:
    explicit PeerSocket(int fd) : fd_(fd) {}
    ~PeerSocket();
    PeerSocket(const PeerSocket&) = delete;
    PeerSocket& operator=(const PeerSocket&) = delete;

    // Sends all bytes; false when the connection failed first.
    bool Send(const std::string& bytes);
    // Reads exactly n bytes; fewer when the client closes first.
    std::string Receive(std::size_t n);
    // Appends what one receive brings; false when the client closed (or the connection failed).
    bool ReceiveSome(std::string& into);
    // Whatever arrives within the wait (empty when nothing does).
    std::string ReceiveAvailable(int waitMs);
    std::string ReceiveUntilClose();
    void ShutdownWrite();
    // Ends both directions, so that a receive blocked on it returns; the socket stays open.
    void Shutdown();
    void Close();
    int fd() const { return fd_; }

private:
    std::mutex mutex_;  // Shutdown may come from another thread while the owner closes
    int fd_;
};

}  // namespace yeroup::test
