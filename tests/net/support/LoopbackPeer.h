#pragma once
// Peers for the connection tests on the shared loopback server: a listener whose connections run scripts
// given by the test, and a listener whose queue is full.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "tests/support/LoopbackServer.h"
#include "tests/support/LoopbackSocket.h"
#include "tests/support/PeerSocket.h"

namespace yeroup::test {

// Listens on 127.0.0.1 on a free port; each accepted connection runs the next script given to Serve,
// on a thread of its own.
class LoopbackListener {
public:
    using Script = std::function<void(PeerSocket&)>;

    explicit LoopbackListener(int backlog = 16);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    std::uint16_t Port() const { return server_.Port(); }
    // Runs the script with the next connection; Join waits for every script served so far.
    void Serve(Script script);
    void Join();

private:
    void Run(PeerSocket& peer, int index);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Script> scripts_;
    bool stopping_ = false;
    LoopbackServer server_;  // last: its threads end before the scripts go
};

// A listener with backlog 0 whose queue is filled by connections nobody accepts, so a further
// connect stays pending until it is given up.
class FullBacklogListener {
public:
    FullBacklogListener();
    ~FullBacklogListener();
    FullBacklogListener(const FullBacklogListener&) = delete;
    FullBacklogListener& operator=(const FullBacklogListener&) = delete;
    std::uint16_t Port() const { return listener_.Port(); }

private:
    ListeningSocket listener_;
    std::vector<int> fillers_;
};

}  // namespace yeroup::test
