#include "tests/app/support/UpdateHostServer.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace yeroup::test {

namespace {

// The value of a request header (name in the case clients send it), empty when absent.
std::string HeaderValue(const std::string& head, const std::string& name) {
    const std::size_t at = head.find("\r\n" + name + ": ");
    if (at == std::string::npos) return {};
    const std::size_t start = at + name.size() + 4;
    return head.substr(start, head.find("\r\n", start) - start);
}

std::string ChunkOf(const std::string& data) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    return size + data + "\r\n";
}

}  // namespace

UpdateHostServer::UpdateHostServer() : server_([this](PeerSocket& peer, int) { Handle(peer); }, {.backlog = 64}) {}

UpdateHostServer::~UpdateHostServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;  // ends a hold
    }
    server_.Stop();
}

std::string UpdateHostServer::Host() const { return "127.0.0.1:" + std::to_string(server_.Port()); }

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

void UpdateHostServer::CutAfter(const std::string& path, std::size_t bytes, int times) {
    std::lock_guard lock(mutex_);
    cuts_[path] = {bytes, times};
}

void UpdateHostServer::Drop() {
    std::lock_guard lock(mutex_);
    released_ = dropped_ = true;
}

void UpdateHostServer::Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
}

bool UpdateHostServer::Holding() {
    std::lock_guard lock(mutex_);
    return holding_;
}

std::vector<std::string> UpdateHostServer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<std::string> UpdateHostServer::Ranges() {
    std::lock_guard lock(mutex_);
    return ranges_;
}

std::vector<std::string> UpdateHostServer::Events() {
    std::lock_guard lock(mutex_);
    return events_;
}

void UpdateHostServer::Handle(PeerSocket& peer) {
    std::string head;
    while (head.find("\r\n\r\n") == std::string::npos && peer.ReceiveSome(head)) {}
    const auto firstSpace = head.find(' ');
    const auto secondSpace = head.find(' ', firstSpace + 1);
    const std::string target = firstSpace == std::string::npos || secondSpace == std::string::npos
                                   ? std::string()
                                   : head.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    Resource resource{"404 Not Found", Framing::Length, 404};
    std::size_t holdAt = std::string::npos;
    std::size_t cutAt = std::string::npos;
    const std::string range = HeaderValue(head, "Range");
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(target);
        ranges_.push_back(range);
        events_.push_back("> " + target);
        if (const auto it = resources_.find(target); it != resources_.end()) resource = it->second;
        if (const auto it = holds_.find(target); it != holds_.end()) {
            holdAt = it->second;
            holds_.erase(it);
        }
        if (const auto it = cuts_.find(target); it != cuts_.end() && it->second.second > 0) {
            cutAt = it->second.first;
            --it->second.second;
        }
    }
    // Bodies sent by length honour "Range: bytes=N-" as nginx does, with If-Range against the body's own tag.
    const std::string tag = "\"" + std::to_string(std::hash<std::string>{}(resource.body)) + "\"";
    const std::string ifRange = HeaderValue(head, "If-Range");
    const std::size_t whole = resource.body.size();
    std::size_t from = 0;
    if (resource.status == 200 && resource.framing == Framing::Length && range.rfind("bytes=", 0) == 0 &&
        range.back() == '-' && (ifRange.empty() || ifRange == tag)) {
        from = std::stoul(range.substr(6));
        resource.status = from < whole ? 206 : 416;
        resource.body = from < whole ? resource.body.substr(from) : "";
    }
    char status[64];
    std::snprintf(status, sizeof status, "HTTP/1.1 %d %s\r\n", resource.status,
                  resource.status == 200   ? "OK"
                  : resource.status == 404 ? "Not Found"
                                           : "Status");
    std::string response = status;
    response += "Content-Type: application/octet-stream\r\nConnection: close\r\n";
    if (resource.status / 100 == 2) response += "ETag: " + tag + "\r\n";
    if (resource.status == 206)
        response += "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(whole - 1) + "/" +
                    std::to_string(whole) + "\r\n";
    if (resource.framing == Framing::Length)
        response += "Content-Length: " + std::to_string(resource.body.size()) + "\r\n";
    if (resource.framing == Framing::Chunked) response += "Transfer-Encoding: chunked\r\n";
    response += "\r\n";

    if (cutAt != std::string::npos) {
        peer.Send(response + resource.body.substr(0, cutAt));
        peer.ShutdownWrite();
        peer.ReceiveUntilClose();
        return;
    }
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
        ok = peer.Send(response + framed(resource.body.substr(0, split), false));
        response.clear();
        std::unique_lock lock(mutex_);
        holding_ = true;
        // Wait for the release, or for the client to close its end.
        while (ok && !released_ && !stopping_) {
            lock.unlock();
            pollfd p{peer.fd(), POLLIN, 0};
            const int ready = ::poll(&p, 1, 20);
            char probe;
            if (ready > 0 && ::recv(peer.fd(), &probe, 1, MSG_PEEK | MSG_DONTWAIT) <= 0) ok = false;
            lock.lock();
        }
        ok = ok && released_ && !dropped_;
    }
    {
        std::lock_guard lock(mutex_);
        events_.push_back("< " + target);
    }
    if (ok) peer.Send(response + framed(resource.body.substr(holdAt == std::string::npos ? 0 : split), true));
    peer.ShutdownWrite();
    // Let the client read everything before the socket goes.
    peer.ReceiveUntilClose();
}

}  // namespace yeroup::test
