#pragma once
// minisign's secret key file and signing with it, for the operator's side: the key as `minisign -G` writes it,
// its secret part encrypted with a password through scrypt (or stored plain by `minisign -G -W`), and
// signatures in the format the program checks. The cryptography is OpenSSL's.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/trust/Minisign.h"

namespace yeroup::app::trust {

// A password, its whole buffer wiped when it goes. The buffer is made once at its full size, so adding to it
// never leaves a copy behind in memory given back.
class TSecretText {
public:
    // Longer than any password typed or kept in a password manager's field.
    static constexpr std::size_t kCapacity = 4096;

    TSecretText();
    explicit TSecretText(std::string_view text);
    ~TSecretText();
    TSecretText(TSecretText&& other) noexcept;
    TSecretText(const TSecretText&) = delete;
    TSecretText& operator=(const TSecretText&) = delete;
    TSecretText& operator=(TSecretText&&) = delete;

    // False (and nothing added) past kCapacity.
    bool Append(char c);
    void PopBack() { text_.pop_back(); }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

class TSecretKey {
public:
    TSecretKey() = default;
    ~TSecretKey();
    TSecretKey(const TSecretKey& other) = default;
    TSecretKey& operator=(const TSecretKey& other) = default;

    KeyId Id{};
    std::array<std::uint8_t, 32> Seed{};
    TPublicKey PublicKey;
};

// Whether the key's secret part is encrypted: only then is a password needed.
bool SecretKeyEncrypted(std::string_view text);

// The key in text (an "untrusted comment:" line, then the key). password is asked for only when the key is
// encrypted. The key file's checksum is BLAKE2b-256, which OpenSSL 3.0 cannot compute; a wrong password is told
// instead by the public key the seed gives, which must be the one stored beside it. Raises ESignatureError.
TSecretKey ReadSecretKey(std::string_view text, const std::function<TSecretText()>& password);

// A prehashed ("ED") signature of data with the trusted comment given, as `minisign -S` makes it.
TSignature SignData(const TSecretKey& key, std::string_view data, const std::string& trustedComment);

}  // namespace yeroup::app::trust
