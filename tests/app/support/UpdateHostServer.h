#pragma once
// A loopback update host for the application's tests: serves byte bodies at URL paths (404 for others),
// one response per connection, by length (with an entity tag, honouring Range and If-Range as nginx does), in chunks
// or until close; a body can be held after a number of
// bytes until the test releases it, so the test can look at the windows in the middle of a transfer.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/LoopbackServer.h"

namespace yeroup::test {

class UpdateHostServer {
public:
    enum class Framing { Length, Chunked, UntilClose };

    UpdateHostServer();
    ~UpdateHostServer();
    UpdateHostServer(const UpdateHostServer&) = delete;
    UpdateHostServer& operator=(const UpdateHostServer&) = delete;

    // "127.0.0.1:<port>", as the program's update host setting takes it.
    std::string Host() const;

    void Serve(const std::string& path, std::string body, Framing framing = Framing::Length, int status = 200);
    void Remove(const std::string& path);
    // The next response for path stops after bytes body bytes until Release (or the client closes).
    void HoldAfter(const std::string& path, std::size_t bytes);
    void Release();
    // Ends a held response there: the connection closes with the body cut short.
    void Drop();
    // The next times responses for path close the connection after bytes body bytes, as a dropping network does.
    void CutAfter(const std::string& path, std::size_t bytes, int times);
    // True once a held response has sent its first part.
    bool Holding();

    // Request targets in arrival order, and the most connections that were open at one time.
    std::vector<std::string> Requests();
    // The Range header of each request, in the same order (empty when it had none).
    std::vector<std::string> Ranges();
    int MaxConcurrent() { return server_.MostOpen(); }
    // "> target" when a request arrived, "< target" when its response was done, in order.
    std::vector<std::string> Events();
    // Waits until no connection is open; false on time-out.
    bool WaitIdle(int timeoutMs = 20000) { return server_.WaitIdle(timeoutMs); }

private:
    struct Resource {
        std::string body;
        Framing framing;
        int status;
    };

    void Handle(PeerSocket& peer);

    std::mutex mutex_;
    std::map<std::string, Resource> resources_;
    std::map<std::string, std::size_t> holds_;
    std::map<std::string, std::pair<std::size_t, int>> cuts_;  // bytes, times
    bool holding_ = false;
    bool released_ = false;
    bool dropped_ = false;
    bool stopping_ = false;
    std::vector<std::string> requests_;
    std::vector<std::string> ranges_;
    std::vector<std::string> events_;
    LoopbackServer server_;  // last: its threads end before the resources go
};

}  // namespace yeroup::test
