#include "tests/http/support/TlsServers.h"

#include <fstream>
#include <sstream>

#include "platform/sockets/WinSock.h"
#include "tests/support/LoopbackSocket.h"

namespace yeroup::test {

namespace fs = std::filesystem;

fs::path TestPki() { return YEROUP_TEST_PKI_DIR; }
std::string TestCAFile() { return (TestPki() / "ca.pem").string(); }

UseTestHostNames::UseTestHostNames() {
    platform::winsock::SetHostLookup([](const std::string& name, platform::winsock::InAddr& first) {
        // A name with the root's dot is the same name, as a resolver reads it.
        const std::string bare = name.substr(0, name.find_last_not_of('.') + 1);
        if (bare != "update.test" && bare != "other.test" && bare != "foo.wild.test") return 11001;  // not found
        first = {127, 0, 0, 1};
        return 0;
    });
}

UseTestHostNames::~UseTestHostNames() { platform::winsock::SetHostLookup({}); }

TlsNginxServer::TlsNginxServer(const std::string& certificate) {
    port_ = FreeLoopbackPort();
    tlsPort_ = FreeLoopbackPort();
    const std::string dir = scratch_.Path().string();
    const std::string pki = TestPki().string();
    std::ofstream conf(scratch_.Path() / "nginx.conf");
    conf << "master_process off;\npid " << dir << "/nginx.pid;\nerror_log " << dir << "/error.log;\n"
         << "events { worker_connections 64; }\nhttp {\n  access_log off;\n";
    for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        conf << "  " << temp << "_temp_path " << dir << "/" << temp << ";\n";
    conf << "  default_type application/octet-stream;\n  sendfile on;\n  keepalive_requests 10000;\n"
         << "  server {\n    listen 127.0.0.1:" << tlsPort_ << " ssl;\n    server_name update.test localhost;\n"
         << "    ssl_certificate " << pki << "/" << certificate << ".pem;\n"
         << "    ssl_certificate_key " << pki << "/" << certificate << ".key;\n"
         << "    root " << root_.string() << ";\n"
         << "    location /slow/ { limit_rate 256k; }\n"
         << "    location /to-http/ { rewrite ^/to-http/(.*)$ http://update.test:" << port_ << "/$1 redirect; }\n"
         << "    location /relative/ { absolute_redirect off; rewrite ^/relative/(.*)$ /$1 redirect; }\n"
         << "    location = /cookie { add_header Set-Cookie \"token=s3cret; path=/; secure\"; return 200 \"set\"; }\n"
         << "    location = /echo-cookie { return 200 \"cookie=$http_cookie\"; }\n"
         << "  }\n"
         << "  server {\n    listen 127.0.0.1:" << port_ << ";\n    root " << root_.string() << ";\n"
         << "    location /to-https/ { rewrite ^/to-https/(.*)$ https://update.test:" << tlsPort_ << "/$1 redirect; }\n"
         << "    location = /echo-cookie { return 200 \"cookie=$http_cookie\"; }\n"
         << "  }\n}\n";
    conf.close();
    Launch({"nginx", "-p", dir, "-c", dir + "/nginx.conf", "-g", "daemon off;"});
}

std::string TlsNginxServer::TlsUrl(const std::string& path) const {
    return "https://update.test:" + std::to_string(tlsPort_) + path;
}

OpenSslServer::OpenSslServer(const std::string& certificate, const std::string& intermediates) {
    port_ = FreeLoopbackPort();
    const fs::path pki = TestPki();
    std::vector<std::string> argv = {"openssl", "s_server",
                                     "-accept", "127.0.0.1:" + std::to_string(port_),
                                     "-cert",   (pki / (certificate + ".pem")).string(),
                                     "-key",    (pki / (certificate + ".key")).string(),
                                     "-www",    "-quiet"};
    if (!intermediates.empty()) {
        argv.push_back("-cert_chain");
        argv.push_back((pki / (intermediates + ".pem")).string());
    }
    Launch(argv);
}

namespace {

const char* const kBrokenTlsServer = R"PY(
import socket, ssl, sys
port, mode, pki, reply = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4].encode("latin-1")
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(pki + "/server.pem", pki + "/server.key")
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", port))
listener.listen(16)
while True:
    raw, _ = listener.accept()
    try:
        if mode == "close-in-handshake":
            raw.recv(65536)
            raw.close()
            continue
        tls = context.wrap_socket(raw, server_side=True)
        head = b""
        while b"\r\n\r\n" not in head:
            data = tls.recv(4096)
            if not data:
                break
            head += data
        tls.sendall(reply)
        # The TCP connection ends here; the close alert TLS asks for is never sent.
        socket.socket(fileno=tls.detach()).close()
    except (OSError, ssl.SSLError):
        raw.close()
)PY";

const char* const kConnectProxy = R"PY(
import socket, sys, threading
port, log = int(sys.argv[1]), sys.argv[2]
def pipe(a, b):
    try:
        while True:
            data = a.recv(65536)
            if not data:
                break
            b.sendall(data)
    except OSError:
        pass
    for s in (a, b):
        try:
            s.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
def serve(client):
    head = b""
    while b"\r\n\r\n" not in head:
        data = client.recv(4096)
        if not data:
            client.close()
            return
        head += data
    line = head.split(b"\r\n")[0].decode()
    method, target = line.split(" ")[:2]
    if method != "CONNECT":
        client.sendall(b"HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n")
        client.close()
        return
    with open(log, "a") as f:
        f.write(target + "\n")
    upstream = socket.create_connection(("127.0.0.1", int(target.rsplit(":", 1)[1])))
    client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
    threading.Thread(target=pipe, args=(upstream, client), daemon=True).start()
    pipe(client, upstream)
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", port))
listener.listen(16)
while True:
    connection, _ = listener.accept()
    threading.Thread(target=serve, args=(connection,), daemon=True).start()
)PY";

}  // namespace

BrokenTlsServer::BrokenTlsServer(const std::string& mode, const std::string& reply) {
    port_ = FreeLoopbackPort();
    Launch({"python3", "-c", kBrokenTlsServer, std::to_string(port_), mode, TestPki().string(), reply});
}

ConnectProxy::ConnectProxy() {
    port_ = FreeLoopbackPort();
    Launch({"python3", "-c", kConnectProxy, std::to_string(port_), (scratch_.Path() / "connect.log").string()});
}

std::string ConnectProxy::Log() const {
    std::ifstream in(scratch_.Path() / "connect.log");
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace yeroup::test
