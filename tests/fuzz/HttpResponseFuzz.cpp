// Arbitrary bytes as a server's reply: the client reads status lines, header blocks, bodies by length,
// chunks or close, follows redirects and reuses the connection; it must fail only by exception, and no body it
// returns may be larger than the bytes that came. Half the inputs start inside a chunked body, so that chunk-size
// lines with hostile sizes (huge, negative, overlong, with extensions) are explored directly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "http/IdHTTP.h"
#include "tests/http/support/MemoryTransport.h"

using namespace yeroup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // First byte: the size of each received piece and the client options; second byte: how the reply starts and
    // the body limit; the rest is the reply.
    const int piece = 1 + (data[0] & 0x1F) * 7;
    std::string reply(reinterpret_cast<const char*>(data + 2), size - 2);
    if (data[1] & 1) reply = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + reply;
    test::MemoryTransport transport(reply, piece);
    http::TIdHTTP client;
    client.SetIOHandler(&transport);
    client.HandleRedirects = (data[0] & 0x20) != 0;
    client.ProtocolVersion = (data[0] & 0x40) ? http::pv1_0 : http::pv1_1;
    client.MaxLineLength = 4096;
    if (data[1] & 2) client.MaxBodySize = data[1] >> 2;
    for (int call = 0; call < 2; ++call) {
        platform::TMemoryStream stream;
        try {
            if (data[0] & 0x80)
                client.RunRequest(http::hmHead, "http://fuzz.example/a/b.ini", nullptr, &stream);
            else
                client.Get(call == 0 ? "http://fuzz.example/a/b.ini" : "next.htm", stream);
            if (stream.Size() > static_cast<std::int64_t>(reply.size()) || stream.Size() > client.MaxBodySize)
                std::abort();
        } catch (const std::exception&) {}
        client.Response().StatusCode();
    }
    client.SetIOHandler(nullptr);
    return 0;
}
