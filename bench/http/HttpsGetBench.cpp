// Downloads a 256 MiB file from nginx over https on loopback with TIdHTTP::Get and the TLS transport into a
// memory stream, and the same URL with curl in the same run (both trusting the test CA, both resolving
// update.test to 127.0.0.1), and prints both rates. Run by hand: https_get_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "http/IdHTTP.h"
#include "net/tls/IdSSLIOHandlerSocket.h"
#include "tests/http/support/TlsServers.h"

using namespace yeroup;

namespace {

constexpr std::int64_t kSize = 256ll * 1024 * 1024;

double MiBPerSecond(std::int64_t bytes, std::chrono::steady_clock::duration elapsed) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0) / std::chrono::duration<double>(elapsed).count();
}

double GetRate(const std::string& url) {
    net::TIdSSLIOHandlerSocket handler;
    handler.ExtraCAFile = test::TestCAFile();
    http::TIdHTTP client;
    client.SetIOHandler(&handler);
    platform::TMemoryStream stream;
    auto start = std::chrono::steady_clock::now();
    client.Get(url, stream);
    auto elapsed = std::chrono::steady_clock::now() - start;
    if (stream.Size() != kSize) {
        std::fprintf(stderr, "Get returned %lld bytes\n", static_cast<long long>(stream.Size()));
        std::exit(1);
    }
    return MiBPerSecond(kSize, elapsed);
}

double CurlRate(const std::string& url, std::uint16_t port) {
    const std::string command = "curl -s -o /dev/null --cacert " + test::TestCAFile() +
                                " --resolve update.test:" + std::to_string(port) + ":127.0.0.1 " + url;
    auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "curl failed\n");
        std::exit(1);
    }
    return MiBPerSecond(kSize, std::chrono::steady_clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    test::UseTestHostNames names;
    test::TlsNginxServer server;
    {
        std::ofstream file(server.Root() / "big.bin", std::ios::binary);
        std::string block(1 << 20, '\0');
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
        for (std::int64_t written = 0; written < kSize; written += static_cast<std::int64_t>(block.size()))
            file.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    const std::string url = server.TlsUrl("/big.bin");
    // The first download of a process pays for acquiring 256 MiB of fresh memory; shown, not counted.
    std::printf("warm-up: Get %.0f MiB/s, curl %.0f MiB/s\n", GetRate(url), CurlRate(url, server.TlsPort()));
    double bestGet = 0, bestCurl = 0, sumGet = 0, sumCurl = 0;
    for (int round = 0; round < rounds; ++round) {
        const double get = GetRate(url);
        const double curl = CurlRate(url, server.TlsPort());
        std::printf("round %d: Get %.0f MiB/s, curl %.0f MiB/s\n", round + 1, get, curl);
        bestGet = std::max(bestGet, get);
        bestCurl = std::max(bestCurl, curl);
        sumGet += get;
        sumCurl += curl;
    }
    std::printf("best of %d: Get %.0f MiB/s, curl %.0f MiB/s, Get at %.2fx curl\n", rounds, bestGet, bestCurl,
                bestGet / bestCurl);
    std::printf("mean of %d: Get %.0f MiB/s, curl %.0f MiB/s, Get at %.2fx curl\n", rounds, sumGet / rounds,
                sumCurl / rounds, sumGet / sumCurl);
    return 0;
}
