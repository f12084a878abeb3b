#include "tests/support/LoopbackServer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace yeroup::test {

LoopbackServer::LoopbackServer(Handler handler, ServerOptions options)
    : handler_(std::move(handler)), options_(options), listener_(options.backlog) {
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

LoopbackServer::~LoopbackServer() { Stop(); }

int LoopbackServer::Accepted() {
    std::lock_guard lock(mutex_);
    return accepted_;
}

int LoopbackServer::MostOpen() {
    std::lock_guard lock(mutex_);
    return mostOpen_;
}

bool LoopbackServer::WaitIdle(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return finished_ == accepted_; });
}

bool LoopbackServer::WaitFinished(int count, int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return finished_ >= count; });
}

void LoopbackServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && !acceptor_.joinable()) return;
        stopping_ = true;
        for (PeerSocket* peer : open_) peer->Shutdown();
    }
    listener_.Shutdown();
    if (acceptor_.joinable()) acceptor_.join();
    // No new workers start once the acceptor is gone.
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
}

void LoopbackServer::AcceptLoop() {
    for (;;) {
        const int fd = ::accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC);
        std::lock_guard lock(mutex_);
        if (stopping_) {
            if (fd >= 0) ::close(fd);
            return;
        }
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        if (options_.noDelay) {
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        }
        const int index = accepted_++;
        mostOpen_ = std::max(mostOpen_, accepted_ - finished_);
        workers_.emplace_back([this, fd, index] { Run(fd, index); });
    }
}

void LoopbackServer::Run(int fd, int index) {
    PeerSocket peer(fd);
    {
        std::lock_guard lock(mutex_);
        open_.push_back(&peer);
        if (stopping_) peer.Shutdown();
    }
    handler_(peer, index);
    {
        std::lock_guard lock(mutex_);
        open_.erase(std::find(open_.begin(), open_.end(), &peer));
        peer.Close();
        ++finished_;
    }
    changed_.notify_all();
}

}  // namespace yeroup::test
