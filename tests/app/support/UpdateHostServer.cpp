#include "tests/app/support/UpdateHostServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace yeroup::app::test {

namespace {

std::string ChunkOf(const std::string& data) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    return size + data + "\r\n";
}

}  // namespace

UpdateHostServer::UpdateHostServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 64) != 0 || ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on loopback");
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

UpdateHostServer::~UpdateHostServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int fd : fds_) ::shutdown(fd, SHUT_RDWR);
    }
    changed_.notify_all();
    ::shutdown(listenFd_, SHUT_RDWR);
    acceptor_.join();
    for (std::thread& worker : workers_) worker.join();
    ::close(listenFd_);
}

std::string UpdateHostServer::Host() const { return "127.0.0.1:" + std::to_string(port_); }

void UpdateHostServer::Serve(const std::string& path, std::string body, Framing framing, int status) {
    std::lock_guard lock(mutex_);
    resources_[path] = {std::move(body), framing, status};
}

void UpdateHostServer::Remove(const std::string& path) {
    std::lock_guard lock(mutex_);
    resources_.erase(path);
}

void UpdateHostServer::HoldAfter(const std::string& path, std::size_t bytes) {
    std::lock_guard lock(mutex_);
    holds_[path] = bytes;
    holding_ = released_ = dropped_ = false;
}

void UpdateHostServer::Drop() {
    {
        std::lock_guard lock(mutex_);
        released_ = dropped_ = true;
    }
    changed_.notify_all();
}

void UpdateHostServer::Release() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

bool UpdateHostServer::Holding() {
    std::lock_guard lock(mutex_);
    return holding_;
}

std::vector<std::string> UpdateHostServer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<std::string> UpdateHostServer::Events() {
    std::lock_guard lock(mutex_);
    return events_;
}

int UpdateHostServer::MaxConcurrent() {
    std::lock_guard lock(mutex_);
    return maxOpen_;
}

bool UpdateHostServer::WaitIdle(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return open_ == 0; });
}

void UpdateHostServer::AcceptLoop() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(fd);
            return;
        }
        fds_.push_back(fd);
        maxOpen_ = std::max(maxOpen_, ++open_);
        workers_.emplace_back([this, fd] { Handle(fd); });
    }
}

bool UpdateHostServer::SendAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void UpdateHostServer::Handle(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    const auto firstSpace = head.find(' ');
    const auto secondSpace = head.find(' ', firstSpace + 1);
    const std::string target = firstSpace == std::string::npos || secondSpace == std::string::npos
                                   ? std::string()
                                   : head.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    Resource resource{"404 Not Found", Framing::Length, 404};
    std::size_t holdAt = std::string::npos;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(target);
        events_.push_back("> " + target);
        if (const auto it = resources_.find(target); it != resources_.end()) resource = it->second;
        if (const auto it = holds_.find(target); it != holds_.end()) {
            holdAt = it->second;
            holds_.erase(it);
        }
    }
    char status[64];
    std::snprintf(status, sizeof status, "HTTP/1.1 %d %s\r\n", resource.status,
                  resource.status == 200   ? "OK"
                  : resource.status == 404 ? "Not Found"
                                           : "Status");
    std::string response = status;
    response += "Content-Type: application/octet-stream\r\nConnection: close\r\n";
    if (resource.framing == Framing::Length)
        response += "Content-Length: " + std::to_string(resource.body.size()) + "\r\n";
    if (resource.framing == Framing::Chunked) response += "Transfer-Encoding: chunked\r\n";
    response += "\r\n";

    // A hold splits the body in two parts; each part goes out in pieces (chunks when chunked).
    const std::size_t split = std::min(holdAt, resource.body.size());
    auto framed = [&](const std::string& part, bool last) {
        if (resource.framing != Framing::Chunked) return part;
        std::string out;
        for (std::size_t at = 0; at < part.size(); at += 50000) out += ChunkOf(part.substr(at, 50000));
        return last ? out + "0\r\n\r\n" : out;
    };
    bool ok = true;
    if (holdAt != std::string::npos) {
        ok = SendAll(fd, response + framed(resource.body.substr(0, split), false));
        response.clear();
        std::unique_lock lock(mutex_);
        holding_ = true;
        changed_.notify_all();
        // Wait for the release, or for the client to close its end.
        while (ok && !released_ && !stopping_) {
            lock.unlock();
            pollfd p{fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, 20);
            char probe;
            if (ready > 0 && ::recv(fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT) <= 0) ok = false;
            lock.lock();
        }
        ok = ok && released_ && !dropped_;
    }
    {
        std::lock_guard lock(mutex_);
        events_.push_back("< " + target);
    }
    if (ok) SendAll(fd, response + framed(resource.body.substr(holdAt == std::string::npos ? 0 : split), true));
    ::shutdown(fd, SHUT_WR);
    // Let the client read everything before the socket goes.
    while (::recv(fd, buffer, sizeof buffer, 0) > 0) {}
    std::lock_guard lock(mutex_);
    fds_.erase(std::remove(fds_.begin(), fds_.end(), fd), fds_.end());
    ::close(fd);
    --open_;
    changed_.notify_all();
}

}  // namespace yeroup::app::test
