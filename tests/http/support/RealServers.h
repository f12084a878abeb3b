#pragma once
// Real HTTP servers from the system's packages, started on a free loopback port for interoperability tests
// and benchmarks. Each object owns its server process and a scratch folder; both go away with the object,
// and the process is also told to die should the test process itself die first.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ScratchFolder.h"

namespace yeroup::test {

class ChildProcess {
public:
    // Starts argv[0] (looked up in PATH) with its output going to logFile.
    ChildProcess(const std::vector<std::string>& argv, const std::filesystem::path& logFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool Running();
    void Stop();

private:
    pid_t pid_ = -1;
};

class RealServer {
public:
    virtual ~RealServer() = default;
    std::uint16_t Port() const { return port_; }
    std::string Url(const std::string& path) const;
    const std::filesystem::path& Root() const { return root_; }
    // Writes a file below the served folder, creating folders on the way.
    void WriteFile(const std::string& relativePath, const std::string& content) const;
    // Ends the server at once, with whatever it was sending: a host that goes down.
    void Stop() { process_->Stop(); }

protected:
    RealServer();
    // Starts the process and waits until it accepts connections; throws with its log when it does not.
    void Launch(const std::vector<std::string>& argv);

    ScratchFolder scratch_;
    std::filesystem::path root_;
    std::uint16_t port_ = 0;
    // Launch waits for connections on [::1] instead of 127.0.0.1.
    bool listensOnIpv6Only_ = false;
    std::unique_ptr<ChildProcess> process_;
};

// nginx serving Root(); files below /ssi/ pass through server-side includes, so nginx sends them chunked, and
// files below /slow/ go out at 1 MiB/s. A missing file gets /404.html as its body (with status 404) when that file
// exists.
class NginxServer : public RealServer {
public:
    // ipv6Too: it also listens on [::1], on the same port; serverConfig goes into its server block as it is.
    explicit NginxServer(bool ipv6Too = false, const std::string& serverConfig = "");
    // One line per request answered: the target, the status, the bytes sent and the Range header in quotes.
    std::string AccessLog() const;
};

// Python's http.server serving Root() (HTTP/1.0, bodies with Content-Length, closes after each response).
class PythonFileServer : public RealServer {
public:
    PythonFileServer();
};

// A Python HTTP/1.1 handler sending each file below Root() chunked, in chunks of 1, 7, 4096 and 100000 bytes
// in turn, with lower-case hexadecimal sizes.
class PythonChunkedServer : public RealServer {
public:
    PythonChunkedServer();
};

}  // namespace yeroup::test
