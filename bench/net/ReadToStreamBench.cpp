// Streams 256 MiB over loopback into memory twice per round: once through
// TIdTCPConnection::ReadToStream into a TMemoryStream, once with plain recv calls, and prints
// both rates. Usage: net_read_to_stream_bench [rounds] [MiB]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/IdTCPClient.h"
#include "platform/streams/Stream.h"

namespace {

using Clock = std::chrono::steady_clock;

// Accepts `connections` clients one after another and sends each `total` bytes, then closes.
class Sender {
public:
    Sender(std::size_t total, int connections) : total_(total) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 4) != 0) std::abort();
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this, connections] {
            std::vector<char> block(1 << 20);
            for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31);
            for (int c = 0; c < connections; ++c) {
                const int peer = ::accept(fd_, nullptr, nullptr);
                if (peer < 0) return;
                std::size_t left = total_;
                while (left > 0) {
                    const ssize_t n = ::send(peer, block.data(), std::min(left, block.size()), MSG_NOSIGNAL);
                    if (n <= 0) break;
                    left -= static_cast<std::size_t>(n);
                }
                ::close(peer);
            }
        });
    }
    ~Sender() {
        thread_.join();
        ::close(fd_);
    }
    std::uint16_t Port() const { return port_; }

private:
    std::size_t total_;
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

// prefault: the memory is written once before the clock starts, so no page faults are timed.
double PlainRecv(std::uint16_t port, std::size_t total, std::size_t request, bool prefault = false) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::abort();
    std::unique_ptr<char[]> memory;
    if (prefault) {
        memory.reset(new char[total]);
        std::memset(memory.get(), 0, total);
    }
    const auto start = Clock::now();
    if (!prefault) memory.reset(new char[total]);
    std::size_t got = 0;
    while (got < total) {
        const ssize_t n = ::recv(fd, memory.get() + got, std::min(request, total - got), 0);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(fd);
    if (got != total) std::abort();
    return static_cast<double>(total) / (1 << 20) / seconds;
}

// warm: the stream already has its size and its pages are touched before the clock starts.
double ThroughReadToStream(std::uint16_t port, std::size_t total, bool warm = false) {
    yeroup::net::TIdTCPClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(port);
    client.Connect();
    yeroup::platform::TMemoryStream stream;
    if (warm) {
        stream.SetSize(static_cast<std::int64_t>(total));
        // A fresh stream buffer comes zeroed without touching its pages; touch them as the recv side does.
        std::memset(stream.Memory(), 0, total);
        stream.SetPosition(0);
    }
    const auto start = Clock::now();
    client.ReadToStream(stream, static_cast<std::int32_t>(total));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    client.Disconnect();
    if (static_cast<std::size_t>(stream.Size()) != total) std::abort();
    return static_cast<double>(total) / (1 << 20) / seconds;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::size_t mib = argc > 2 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[2]))) : 256;
    const std::size_t total = mib << 20;

    Sender sender(total, rounds * 5);
    std::vector<double> ours, oursWarm, plain32k, plainBig, plainWarm;
    for (int r = 0; r < rounds; ++r) {
        ours.push_back(ThroughReadToStream(sender.Port(), total));
        plain32k.push_back(PlainRecv(sender.Port(), total, 32768));
        plainBig.push_back(PlainRecv(sender.Port(), total, total));
        plainWarm.push_back(PlainRecv(sender.Port(), total, 32768, true));
        oursWarm.push_back(ThroughReadToStream(sender.Port(), total, true));
    }
    const double plainBest = std::max(Median(plain32k), Median(plainBig));
    std::printf("%zu MiB over loopback, median of %d rounds\n", mib, rounds);
    std::printf("  ReadToStream into TMemoryStream : %8.1f MiB/s\n", Median(ours));
    std::printf("  plain recv, 32 KiB requests     : %8.1f MiB/s\n", Median(plain32k));
    std::printf("  plain recv, unbounded requests  : %8.1f MiB/s\n", Median(plainBig));
    std::printf("  plain recv, 32 KiB, memory warm : %8.1f MiB/s  (page faults not timed)\n", Median(plainWarm));
    std::printf("  ReadToStream / faster plain recv: %8.1f %%\n", 100.0 * Median(ours) / plainBest);
    std::printf("  ReadToStream, stream memory warm: %8.1f MiB/s  (page faults not timed)\n", Median(oursWarm));
    std::printf("  warm ReadToStream / warm recv   : %8.1f %%\n", 100.0 * Median(oursWarm) / Median(plainWarm));
    return 0;
}
