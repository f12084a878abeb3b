#pragma once
// SHA-256, fed in pieces as bytes arrive or over a whole file, and its hexadecimal text. OpenSSL's.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/trust/OpenSslHandles.h"

namespace yeroup::app::trust {

using TSha256Digest = std::array<std::uint8_t, 32>;

class TSha256 {
public:
    TSha256();
    void Update(std::string_view bytes);
    // The digest of everything fed so far; the hash then starts again, empty.
    TSha256Digest Final();

private:
    TMdContext context_;
};

TSha256Digest Sha256Of(std::string_view bytes);
// Lower-case hexadecimal, as sha256sum prints it.
std::string HexText(const TSha256Digest& digest);
// The digest from 64 hexadecimal digits (either case); false when the text is anything else.
bool ReadHexDigest(std::string_view text, TSha256Digest& digest);

}  // namespace yeroup::app::trust
