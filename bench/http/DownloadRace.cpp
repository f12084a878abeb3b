#include "bench/http/DownloadRace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/streams/Stream.h"

namespace yeroup::bench {

namespace {

constexpr std::int64_t kSize = 256ll * 1024 * 1024;

double MiBPerSecond(std::chrono::steady_clock::duration elapsed) {
    return static_cast<double>(kSize) / (1024.0 * 1024.0) / std::chrono::duration<double>(elapsed).count();
}

}  // namespace

void WriteBigFile(const std::filesystem::path& path) {
    std::ofstream file(path, std::ios::binary);
    std::string block(1 << 20, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
    for (std::int64_t written = 0; written < kSize; written += static_cast<std::int64_t>(block.size()))
        file.write(block.data(), static_cast<std::streamsize>(block.size()));
}

double GetRate(http::TIdHTTP& client, const std::string& url) {
    platform::TMemoryStream stream;
    const auto start = std::chrono::steady_clock::now();
    client.Get(url, stream);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (stream.Size() != kSize) {
        std::fprintf(stderr, "Get returned %lld bytes\n", static_cast<long long>(stream.Size()));
        std::exit(1);
    }
    return MiBPerSecond(elapsed);
}

double CurlRate(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "curl failed\n");
        std::exit(1);
    }
    return MiBPerSecond(std::chrono::steady_clock::now() - start);
}

void RunRounds(int rounds, const std::function<double()>& get, const std::function<double()>& curl) {
    const double warmGet = get();
    std::printf("warm-up: Get %.0f MiB/s, curl %.0f MiB/s\n", warmGet, curl());
    double bestGet = 0, bestCurl = 0, sumGet = 0, sumCurl = 0;
    for (int round = 0; round < rounds; ++round) {
        const double g = get();
        const double c = curl();
        std::printf("round %d: Get %.0f MiB/s, curl %.0f MiB/s\n", round + 1, g, c);
        bestGet = std::max(bestGet, g);
        bestCurl = std::max(bestCurl, c);
        sumGet += g;
        sumCurl += c;
    }
    std::printf("best of %d: Get %.0f MiB/s, curl %.0f MiB/s, Get at %.2fx curl\n", rounds, bestGet, bestCurl,
                bestGet / bestCurl);
    std::printf("mean of %d: Get %.0f MiB/s, curl %.0f MiB/s, Get at %.2fx curl\n", rounds, sumGet / rounds,
                sumCurl / rounds, sumGet / sumCurl);
}

}  // namespace yeroup::bench
