// Downloads a 256 MiB file from nginx on loopback with TIdHTTP::Get into a memory stream, and the same URL
// with curl in the same run, and prints both rates. Run by hand: http_get_bench [rounds]
#include <cstdlib>
#include <string>

#include "bench/http/DownloadRace.h"
#include "tests/http/support/RealServers.h"

using namespace yeroup;

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    test::NginxServer server;
    bench::WriteBigFile(server.Root() / "big.bin");
    const std::string url = server.Url("/big.bin");
    bench::RunRounds(
        rounds,
        [&] {
            http::TIdHTTP client;
            return bench::GetRate(client, url);
        },
        [&] { return bench::CurlRate("curl -s -o /dev/null " + url); });
    return 0;
}
