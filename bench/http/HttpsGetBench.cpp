// Downloads a 256 MiB file from nginx over https on loopback with TIdHTTP::Get and the TLS transport into a
// memory stream, and the same URL with curl in the same run (both trusting the test CA, both resolving
// update.test to 127.0.0.1), and prints both rates. Run by hand: https_get_bench [rounds]
#include <cstdlib>
#include <string>

#include "bench/http/DownloadRace.h"
#include "net/tls/IdSSLIOHandlerSocket.h"
#include "tests/http/support/TlsServers.h"

using namespace yeroup;

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    test::UseTestHostNames names;
    test::TlsNginxServer server;
    bench::WriteBigFile(server.Root() / "big.bin");
    const std::string url = server.TlsUrl("/big.bin");
    const std::string curl = "curl -s -o /dev/null --cacert " + test::TestCAFile() +
                             " --resolve update.test:" + std::to_string(server.TlsPort()) + ":127.0.0.1 " + url;
    bench::RunRounds(
        rounds,
        [&] {
            net::TIdSSLIOHandlerSocket handler;
            handler.ExtraCAFile = test::TestCAFile();
            http::TIdHTTP client;
            client.SetIOHandler(&handler);
            return bench::GetRate(client, url);
        },
        [&] { return bench::CurlRate(curl); });
    return 0;
}
