#include "tests/http/support/RealServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "tests/support/LoopbackSocket.h"

namespace yeroup::test {

namespace fs = std::filesystem;

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const fs::path& logFile) {
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        // The server must not outlive a test process that crashed or was killed.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        int log = ::open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int devNull = ::open("/dev/null", O_RDONLY);
        if (log >= 0) {
            ::dup2(log, STDOUT_FILENO);
            ::dup2(log, STDERR_FILENO);
        }
        if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
        ::setpgid(0, 0);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void ChildProcess::Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

namespace {

bool Accepts(std::uint16_t port, bool ipv6) {
    int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    sockaddr_in6 addr6{};
    addr6.sin6_family = AF_INET6;
    addr6.sin6_addr = in6addr_loopback;
    addr6.sin6_port = htons(port);
    bool ok = ipv6 ? ::connect(fd, reinterpret_cast<sockaddr*>(&addr6), sizeof addr6) == 0
                   : ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

// The server's log, as far as there is one.
std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace

RealServer::RealServer() : root_(scratch_.Path() / "www") { fs::create_directories(root_); }

std::string RealServer::Url(const std::string& path) const { return LoopbackUrl(port_, path); }

void RealServer::WriteFile(const std::string& relativePath, const std::string& content) const {
    test::WriteFile(root_ / relativePath, content);
}

void RealServer::Launch(const std::vector<std::string>& argv) {
    fs::path log = scratch_.Path() / "server.log";
    process_ = std::make_unique<ChildProcess>(argv, log);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Accepts(port_, listensOnIpv6Only_)) {
        if (!process_->Running() || std::chrono::steady_clock::now() > deadline) {
            process_->Stop();
            throw std::runtime_error(argv[0] + " did not start on port " + std::to_string(port_) + ":\n" +
                                     ReadAll(log));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

NginxServer::NginxServer(bool ipv6Too, const std::string& serverConfig) {
    port_ = FreeLoopbackPort();
    const std::string dir = scratch_.Path().string();
    std::ofstream conf(scratch_.Path() / "nginx.conf");
    conf << "master_process off;\n"
            "pid "
         << dir
         << "/nginx.pid;\n"
            "error_log "
         << dir
         << "/error.log;\n"
            "events { worker_connections 64; }\n"
            "http {\n"
            "  log_format ranges '$request_uri $status $bytes_sent \"$http_range\"';\n"
            "  access_log "
         << dir
         << "/access.log ranges;\n"
            "  client_body_temp_path "
         << dir
         << "/body;\n"
            "  proxy_temp_path "
         << dir
         << "/proxy;\n"
            "  fastcgi_temp_path "
         << dir
         << "/fastcgi;\n"
            "  uwsgi_temp_path "
         << dir
         << "/uwsgi;\n"
            "  scgi_temp_path "
         << dir
         << "/scgi;\n"
            "  default_type application/octet-stream;\n"
            "  sendfile on;\n"
            "  keepalive_requests 10000;\n"
            "  server {\n"
            "    listen 127.0.0.1:"
         << port_ << ";\n"
         << (ipv6Too ? "    listen [::1]:" + std::to_string(port_) + ";\n" : std::string()) << "    root "
         << root_.string()
         << ";\n"
            "    error_page 404 /404.html;\n"
            "    location /ssi/ { ssi on; ssi_types *; gzip off; chunked_transfer_encoding on; }\n"
            "    location /slow/ { limit_rate 1m; }\n"
         << serverConfig
         << "  }\n"
            "}\n";
    conf.close();
    Launch({"nginx", "-p", dir, "-c", dir + "/nginx.conf", "-g", "daemon off;"});
}

std::string NginxServer::AccessLog() const { return ReadAll(scratch_.Path() / "access.log"); }

PythonFileServer::PythonFileServer() {
    port_ = FreeLoopbackPort();
    Launch(
        {"python3", "-m", "http.server", "--bind", "127.0.0.1", "--directory", root_.string(), std::to_string(port_)});
}

namespace {

const char* const kChunkedHandler = R"PY(
import http.server, os, sys
root, port = sys.argv[1], int(sys.argv[2])
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def log_message(self, *args):
        pass
    def do_GET(self):
        path = os.path.join(root, self.path.lstrip("/"))
        if not os.path.isfile(path):
            body = b"no such file"
            self.send_response(404)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        data = open(path, "rb").read()
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        sizes, at, i = (1, 7, 4096, 100000), 0, 0
        while at < len(data):
            piece = data[at:at + sizes[i % len(sizes)]]
            self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
            at += len(piece)
            i += 1
        self.wfile.write(b"0\r\n\r\n")
        self.wfile.flush()
http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler).serve_forever()
)PY";

}  // namespace

PythonChunkedServer::PythonChunkedServer() {
    port_ = FreeLoopbackPort();
    Launch({"python3", "-c", kChunkedHandler, root_.string(), std::to_string(port_)});
}

}  // namespace yeroup::test
