// Downloads a 256 MiB file from nginx on loopback with TIdHTTP::Get into a memory stream, and the same URL
// with curl in the same run, and prints both rates. Run by hand: http_get_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "http/IdHTTP.h"
#include "tests/http/support/RealServers.h"

using namespace yeroup;

namespace {

constexpr std::int64_t kSize = 256ll * 1024 * 1024;

double MiBPerSecond(std::int64_t bytes, std::chrono::steady_clock::duration elapsed) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0) / std::chrono::duration<double>(elapsed).count();
}

double GetRate(const std::string& url) {
    http::TIdHTTP client;
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

double CurlRate(const std::string& url) {
    std::string command = "curl -s -o /dev/null " + url;
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
    test::NginxServer server;
    {
        std::ofstream file(server.Root() / "big.bin", std::ios::binary);
        std::string block(1 << 20, '\0');
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
        for (std::int64_t written = 0; written < kSize; written += static_cast<std::int64_t>(block.size()))
            file.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    const std::string url = server.Url("/big.bin");
    // The first download of a process pays for acquiring 256 MiB of fresh memory; shown, not counted.
    std::printf("warm-up: Get %.0f MiB/s, curl %.0f MiB/s\n", GetRate(url), CurlRate(url));
    double bestGet = 0;
    double bestCurl = 0;
    double sumGet = 0;
    double sumCurl = 0;
    for (int round = 0; round < rounds; ++round) {
        double get = GetRate(url);
        double curl = CurlRate(url);
        std::printf("round %d: Get %.0f MiB/s, curl %.0f MiB/s\n", round + 1, get, curl);
        bestGet = std::max(bestGet, get);
        bestCurl = std::max(bestCurl, curl);
        sumGet += get;
        sumCurl += curl;
    }
    std::printf("best of %d: Get %.0f MiB/s, curl %.0f MiB/s, Get at %.0f%% of curl\n", rounds, bestGet, bestCurl,
                100.0 * bestGet / bestCurl);
    std::printf("mean of %d: Get %.0f MiB/s, curl %.0f MiB/s, Get at %.0f%% of curl\n", rounds, sumGet / rounds,
                sumCurl / rounds, 100.0 * sumGet / sumCurl);
    return 0;
}
