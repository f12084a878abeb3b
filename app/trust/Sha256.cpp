#include "app/trust/Sha256.h"

#include <stdexcept>

namespace yeroup::app::trust {

namespace {

void Check(int ok) {
    if (ok != 1) throw std::runtime_error("SHA-256 failed");
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

TSha256::TSha256() : context_(EVP_MD_CTX_new()) {
    if (!context_) throw std::bad_alloc();
    Check(EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr));
}

void TSha256::Update(std::string_view bytes) { Check(EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size())); }

TSha256Digest TSha256::Final() {
    TSha256Digest digest{};
    unsigned int length = 0;
    Check(EVP_DigestFinal_ex(context_.get(), digest.data(), &length));
    Check(EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr));
    return digest;
}

TSha256Digest Sha256Of(std::string_view bytes) {
    TSha256 hash;
    hash.Update(bytes);
    return hash.Final();
}

std::string HexText(const TSha256Digest& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(digest.size() * 2);
    for (const std::uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0f];
    }
    return text;
}

bool ReadHexDigest(std::string_view text, TSha256Digest& digest) {
    if (text.size() != digest.size() * 2) return false;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        digest[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return true;
}

}  // namespace yeroup::app::trust
