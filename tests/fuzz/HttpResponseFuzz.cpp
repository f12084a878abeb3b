// Arbitrary bytes as a server's reply: the client reads status lines, header blocks, bodies by length,
// chunks or close, follows redirects and reuses the connection; it must fail only by exception.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "http/IdHTTP.h"
#include "tests/http/support/MemoryTransport.h"

using namespace yeroup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // First byte: the size of each received piece and the client options; the rest is the reply.
    const int piece = 1 + (data[0] & 0x1F) * 7;
    std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);
    test::MemoryTransport transport(reply, piece);
    http::TIdHTTP client;
    client.SetIOHandler(&transport);
    client.HandleRedirects = (data[0] & 0x20) != 0;
    client.ProtocolVersion = (data[0] & 0x40) ? http::pv1_0 : http::pv1_1;
    client.MaxLineLength = 4096;
    for (int call = 0; call < 2; ++call) {
        platform::TMemoryStream stream;
        try {
            if (data[0] & 0x80)
                client.RunRequest(http::hmHead, "http://fuzz.example/a/b.ini", nullptr, &stream);
            else
                client.Get(call == 0 ? "http://fuzz.example/a/b.ini" : "next.htm", stream);
        } catch (const std::exception&) {}
        client.Response().StatusCode();
    }
    client.SetIOHandler(nullptr);
    return 0;
}
