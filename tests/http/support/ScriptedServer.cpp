#include "tests/http/support/ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace yeroup::http::test {

ConnectionScript& ConnectionScript::ReadRequest() {
    steps_.push_back({StepKind::ReadRequest, {}});
    return *this;
}

ConnectionScript& ConnectionScript::Send(std::string bytes) {
    steps_.push_back({StepKind::Send, std::move(bytes)});
    return *this;
}

ConnectionScript& ConnectionScript::Close() {
    steps_.push_back({StepKind::Close, {}});
    return *this;
}

ConnectionScript& ConnectionScript::WaitForPeerClose() {
    steps_.push_back({StepKind::WaitForPeerClose, {}});
    return *this;
}

ScriptedServer::ScriptedServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0) throw std::runtime_error("socket failed");
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd_, 16) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("bind/listen failed");
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() { Stop(); }

void ScriptedServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (int fd : openFds_) ::shutdown(fd, SHUT_RDWR);
    }
    ::shutdown(listenFd_, SHUT_RDWR);
    if (acceptor_.joinable()) acceptor_.join();
    for (auto& worker : workers_) worker.join();
    ::close(listenFd_);
}

void ScriptedServer::AddConnection(ConnectionScript script) {
    std::lock_guard lock(mutex_);
    scripts_.push_back(std::move(script));
}

std::string ScriptedServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> ScriptedServer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<int> ScriptedServer::RequestConnections() {
    std::lock_guard lock(mutex_);
    return requestConnections_;
}

int ScriptedServer::ConnectionCount() {
    std::lock_guard lock(mutex_);
    return accepted_;
}

bool ScriptedServer::WaitIdle(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return finished_ == accepted_; });
}

void ScriptedServer::AcceptLoop() {
    for (;;) {
        int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0) {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            continue;
        }
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(fd);
            return;
        }
        openFds_.push_back(fd);
        int index = accepted_++;
        workers_.emplace_back([this, fd, index] { Serve(fd, index); });
    }
}

namespace {

// Content-Length of a request head, 0 when absent.
std::size_t BodyLength(const std::string& head) {
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    auto at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return static_cast<std::size_t>(std::strtoul(lower.c_str() + at + 17, nullptr, 10));
}

bool SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

void ScriptedServer::Serve(int fd, int index) {
    ConnectionScript script;
    {
        std::lock_guard lock(mutex_);
        if (index < static_cast<int>(scripts_.size())) script = scripts_[static_cast<std::size_t>(index)];
    }
    std::string pending;
    char chunk[65536];
    // Receives more bytes into pending; false when the peer closed or the server stops.
    auto receive = [&] {
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        pending.append(chunk, static_cast<std::size_t>(n));
        return true;
    };
    bool open = true;
    bool closedByScript = script.Steps().empty();
    for (const auto& step : script.Steps()) {
        if (!open) break;
        switch (step.kind) {
        case ConnectionScript::StepKind::ReadRequest: {
            std::size_t headEnd;
            while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos && (open = receive())) {}
            if (!open) break;
            std::size_t total = headEnd + 4 + BodyLength(pending.substr(0, headEnd + 2));
            while (pending.size() < total && (open = receive())) {}
            if (!open) break;
            std::lock_guard lock(mutex_);
            requests_.push_back(pending.substr(0, total));
            requestConnections_.push_back(index);
            pending.erase(0, total);
            break;
        }
        case ConnectionScript::StepKind::Send: open = SendAll(fd, step.bytes); break;
        case ConnectionScript::StepKind::Close:
            closedByScript = true;
            open = false;
            break;
        case ConnectionScript::StepKind::WaitForPeerClose:
            while (receive()) {}
            open = false;
            break;
        }
    }
    if (open && !closedByScript) {
        while (receive()) {}
    }
    {
        std::lock_guard lock(mutex_);
        openFds_.erase(std::find(openFds_.begin(), openFds_.end(), fd));
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        ++finished_;
    }
    changed_.notify_all();
}

std::string HttpResponse(const std::string& status, const std::vector<std::string>& headers, const std::string& body,
                         bool withLength) {
    std::string out = "HTTP/1.1 " + status + "\r\n";
    for (const auto& header : headers) out += header + "\r\n";
    if (withLength) out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    out += "\r\n";
    out += body;
    return out;
}

}  // namespace yeroup::http::test
