#include "tests/http/support/ScriptedServer.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace yeroup::test {

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

ConnectionScript& ConnectionScript::SendRepeated(std::string bytes, std::int64_t times) {
    steps_.push_back({StepKind::SendRepeated, std::move(bytes), times});
    return *this;
}

ConnectionScript& ConnectionScript::Trickle(std::string bytes, int intervalMs) {
    steps_.push_back({StepKind::Trickle, std::move(bytes), intervalMs});
    return *this;
}

ConnectionScript& ConnectionScript::WaitForPeerClose() {
    steps_.push_back({StepKind::WaitForPeerClose, {}});
    return *this;
}

ScriptedServer::ScriptedServer()
    : server_([this](PeerSocket& peer, int index) { Serve(peer, index); }, {.noDelay = true}) {}

ScriptedServer::~ScriptedServer() { server_.Stop(); }

void ScriptedServer::AddConnection(ConnectionScript script) {
    std::lock_guard lock(mutex_);
    scripts_.push_back(std::move(script));
}

std::vector<std::string> ScriptedServer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<int> ScriptedServer::RequestConnections() {
    std::lock_guard lock(mutex_);
    return requestConnections_;
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

}  // namespace

void ScriptedServer::Serve(PeerSocket& peer, int index) {
    ConnectionScript script;
    {
        std::lock_guard lock(mutex_);
        if (index < static_cast<int>(scripts_.size())) script = scripts_[static_cast<std::size_t>(index)];
    }
    std::string pending;
    bool open = true;
    bool closedByScript = script.Steps().empty();
    for (const auto& step : script.Steps()) {
        if (!open) break;
        switch (step.kind) {
        case ConnectionScript::StepKind::ReadRequest: {
            std::size_t headEnd;
            while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos && (open = peer.ReceiveSome(pending))) {}
            if (!open) break;
            std::size_t total = headEnd + 4 + BodyLength(pending.substr(0, headEnd + 2));
            while (pending.size() < total && (open = peer.ReceiveSome(pending))) {}
            if (!open) break;
            std::lock_guard lock(mutex_);
            requests_.push_back(pending.substr(0, total));
            requestConnections_.push_back(index);
            pending.erase(0, total);
            break;
        }
        case ConnectionScript::StepKind::Send: open = peer.Send(step.bytes); break;
        case ConnectionScript::StepKind::SendRepeated:
            for (std::int64_t i = 0; i < step.count && open; ++i) open = peer.Send(step.bytes);
            break;
        case ConnectionScript::StepKind::Trickle:
            for (std::size_t i = 0; i < step.bytes.size() && open; ++i) {
                if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(step.count));
                open = peer.Send(step.bytes.substr(i, 1));
            }
            break;
        case ConnectionScript::StepKind::Close:
            closedByScript = true;
            open = false;
            break;
        case ConnectionScript::StepKind::WaitForPeerClose:
            while (peer.ReceiveSome(pending)) {}
            open = false;
            break;
        }
    }
    if (open && !closedByScript) {
        while (peer.ReceiveSome(pending)) {}
    }
    peer.Shutdown();
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

}  // namespace yeroup::test
