#pragma once
// The accept loop every loopback test server is built on: it listens on 127.0.0.1, accepts on a thread of
// its own and serves each connection on a thread of its own; the connection closes when its handler returns.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/LoopbackSocket.h"
#include "tests/support/PeerSocket.h"

namespace yeroup::test {

struct ServerOptions {
    int backlog = 16;
    bool noDelay = false;  // TCP_NODELAY on accepted connections
};

class LoopbackServer {
public:
    // Runs for every accepted connection, with its index in accept order (from 0).
    using Handler = std::function<void(PeerSocket& peer, int index)>;

    explicit LoopbackServer(Handler handler, ServerOptions options = {});
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t Port() const { return listener_.Port(); }
    std::string Url(const std::string& path) const { return LoopbackUrl(Port(), path); }

    // Connections accepted so far, and the most that were open at one time.
    int Accepted();
    int MostOpen();
    // Waits until no accepted connection is open; false on time-out.
    bool WaitIdle(int timeoutMs);
    // Waits until count handlers have returned and closed their connections; false on time-out.
    bool WaitFinished(int count, int timeoutMs);
    // Stops accepting, shuts the open connections down so that their handlers return, and waits for every
    // thread. Owners whose handlers use their own members call it first thing in their destructors.
    void Stop();

private:
    void AcceptLoop();
    void Run(int fd, int index);

    Handler handler_;
    ServerOptions options_;
    ListeningSocket listener_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<PeerSocket*> open_;
    std::vector<std::thread> workers_;
    int accepted_ = 0;
    int finished_ = 0;
    int mostOpen_ = 0;
    bool stopping_ = false;
    std::thread acceptor_;
};

}  // namespace yeroup::test
