#include "tests/net/support/LoopbackPeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace yeroup::test {

namespace {

// How long Join waits for clients that have not come for their scripts.
constexpr int kJoinWaitMs = 30000;

}  // namespace

LoopbackListener::LoopbackListener(int backlog)
    : server_([this](PeerSocket& peer, int index) { Run(peer, index); }, {.backlog = backlog}) {}

LoopbackListener::~LoopbackListener() {
    Join();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    server_.Stop();
}

void LoopbackListener::Serve(Script script) {
    {
        std::lock_guard lock(mutex_);
        scripts_.push_back(std::move(script));
    }
    changed_.notify_all();
}

void LoopbackListener::Join() {
    std::size_t served = 0;
    {
        std::lock_guard lock(mutex_);
        served = scripts_.size();
    }
    server_.WaitFinished(static_cast<int>(served), kJoinWaitMs);
}

void LoopbackListener::Run(PeerSocket& peer, int index) {
    Script script;
    {
        // A client may come before the test has said what to do with it.
        std::unique_lock lock(mutex_);
        const auto at = static_cast<std::size_t>(index);
        changed_.wait(lock, [&] { return stopping_ || at < scripts_.size(); });
        if (at >= scripts_.size()) return;
        script = scripts_[at];
    }
    script(peer);
}

FullBacklogListener::FullBacklogListener() : listener_(0) {
    // Backlog 0 still queues a connection or two; connect without accepting until one stays pending.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(listener_.Port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int i = 0; i < 8; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        // Non-blocking: the connect is in progress or done; the poll below tells which.
        static_cast<void>(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address));
        fillers_.push_back(fd);
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 500) == 0) break;  // this one is stuck: the queue is full
    }
}

FullBacklogListener::~FullBacklogListener() {
    for (int fd : fillers_) ::close(fd);
}

}  // namespace yeroup::test
