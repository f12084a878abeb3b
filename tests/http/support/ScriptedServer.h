#pragma once
// A loopback HTTP peer for tests: every accepted connection plays the next script, step by step, sending
// exact bytes and recording the exact request bytes it received.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/LoopbackServer.h"

namespace yeroup::test {

class ConnectionScript {
public:
    enum class StepKind { ReadRequest, Send, Close, WaitForPeerClose, SendRepeated, Trickle };
    struct Step {
        StepKind kind;
        std::string bytes;
        std::int64_t count = 0;  // repeats, or milliseconds between trickled bytes
    };

    // Reads one request: the head up to the blank line, then as many body bytes as its Content-Length says.
    ConnectionScript& ReadRequest();
    ConnectionScript& Send(std::string bytes);
    ConnectionScript& Respond(std::string bytes) { return ReadRequest().Send(std::move(bytes)); }
    // Sends bytes the given number of times, or until the client stops taking them.
    ConnectionScript& SendRepeated(std::string bytes, std::int64_t times);
    // Sends bytes one at a time with a pause between them, or until the client goes.
    ConnectionScript& Trickle(std::string bytes, int intervalMs);
    // Closes the connection; a script without it ends by waiting for the client to close.
    ConnectionScript& Close();
    ConnectionScript& WaitForPeerClose();

    const std::vector<Step>& Steps() const { return steps_; }

private:
    std::vector<Step> steps_;
};

class ScriptedServer {
public:
    ScriptedServer();
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    // Scripts are used in the order connections arrive; a connection beyond the last script is closed at once.
    void AddConnection(ConnectionScript script);

    std::uint16_t Port() const { return server_.Port(); }
    std::string Url(const std::string& path) const { return server_.Url(path); }

    // Requests received so far, in arrival order across all connections.
    std::vector<std::string> Requests();
    // Index of the connection (0-based, in accept order) each recorded request came on.
    std::vector<int> RequestConnections();
    int ConnectionCount() { return server_.Accepted(); }
    // Waits until every connection that was accepted has finished its script; false on time-out.
    bool WaitIdle(int timeoutMs = 20000) { return server_.WaitIdle(timeoutMs); }

private:
    void Serve(PeerSocket& peer, int index);

    std::mutex mutex_;
    std::vector<ConnectionScript> scripts_;
    std::vector<std::string> requests_;
    std::vector<int> requestConnections_;
    LoopbackServer server_;  // last: its threads end before the scripts go
};

// Builds "HTTP/1.1 <status>\r\n" + the header lines + "\r\n" + body, adding Content-Length when asked.
std::string HttpResponse(const std::string& status, const std::vector<std::string>& headers,
                         const std::string& body = "", bool withLength = true);

}  // namespace yeroup::test
