// Arbitrary bytes arriving in arbitrary pieces, read as lines, counted blocks and streams:
// the connection must fail only by its own exceptions and never return more than it received.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "net/IdTCPConnection.h"
#include "tests/net/support/ScriptedTransport.h"

using namespace yeroup;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    // Header bytes: piece size, line limit and mode, and the sequence of reads.
    const std::size_t piece = 1 + data[0] % 64;
    const std::int32_t maxLine = data[1] & 0x3F;
    const bool split = (data[1] & 0x40) != 0;
    std::uint8_t plan = data[2];
    const std::string bytes(reinterpret_cast<const char*>(data + 3), size - 3);

    test::ScriptedTransport transport(bytes, piece);
    net::TIdTCPConnection connection;
    connection.SetIOHandler(&transport);
    connection.MaxLineLength = maxLine;
    connection.MaxLineAction = split ? net::maSplit : net::maException;
    connection.RecvBufferSize = 1 + static_cast<std::int32_t>(piece * 3);
    std::size_t taken = 0;
    try {
        for (int step = 0; step < 64; ++step, plan = static_cast<std::uint8_t>(plan * 5 + 1)) {
            switch (plan % 4) {
            case 0: {
                const std::string line = connection.ReadLine(plan & 8 ? "\r\n" : "\n");
                if (split && maxLine > 0 && line.size() > static_cast<std::size_t>(maxLine)) std::abort();
                taken += line.size();
                break;
            }
            case 1: {
                char block[16];
                connection.ReadExact(block, 1 + plan % 16);
                taken += static_cast<std::size_t>(1 + plan % 16);
                break;
            }
            case 2: {
                platform::TMemoryStream stream;
                connection.ReadToStream(stream, plan % 40, false);
                taken += static_cast<std::size_t>(stream.Size());
                break;
            }
            default: {
                platform::TMemoryStream stream;
                connection.ReadToStream(stream, -1, true);
                taken += static_cast<std::size_t>(stream.Size());
                break;
            }
            }
            if (taken > bytes.size()) std::abort();
        }
    } catch (const net::EIdException&) {}
    connection.SetIOHandler(nullptr);
    return 0;
}
