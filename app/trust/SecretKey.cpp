#include "app/trust/SecretKey.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/core/Limits.h"
#include "app/trust/OpenSslHandles.h"

namespace yeroup::app::trust {

namespace {

// The key file's bytes: algorithms "Ed", "Sc" (or two zero bytes for a key stored plain) and "B2", a salt, scrypt's
// two limits as libsodium takes them, then key id, seed, public key and checksum, encrypted together.
constexpr std::size_t kSaltAt = 6, kOpsLimitAt = 38, kMemLimitAt = 46, kSecretAt = 54;
constexpr std::size_t kSecretSize = 8 + 64 + 32;
constexpr std::size_t kKeyFileSize = kSecretAt + kSecretSize;

// Wiped when it goes, as everything that held a secret.
struct TSecretBytes {
    std::vector<std::uint8_t> bytes;
    ~TSecretBytes() { OPENSSL_cleanse(bytes.data(), bytes.size()); }
};

std::uint64_t Le64(const std::uint8_t* p) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = value << 8 | p[i];
    return value;
}

// The scrypt parameters libsodium's crypto_pwhash_scryptsalsa208sha256 derives from its two limits.
struct TScryptParameters {
    std::uint64_t n = 0;
    std::uint64_t r = 8;
    std::uint64_t p = 0;
};

TScryptParameters ScryptParameters(std::uint64_t opsLimit, std::uint64_t memLimit) {
    TScryptParameters parameters;
    opsLimit = std::max<std::uint64_t>(opsLimit, 32768);
    const auto largestN = [](std::uint64_t maxN) {
        int log2 = 1;
        while (log2 < 63 && (std::uint64_t{1} << log2) <= maxN / 2) ++log2;
        return std::uint64_t{1} << log2;
    };
    if (opsLimit < memLimit / 32) {
        parameters.p = 1;
        parameters.n = largestN(opsLimit / (parameters.r * 4));
    } else {
        parameters.n = largestN(memLimit / (parameters.r * 128));
        const std::uint64_t maxRp = std::min<std::uint64_t>((opsLimit / 4) / parameters.n, 0x3fffffff);
        parameters.p = maxRp / parameters.r;
    }
    return parameters;
}

// The key stream the secret part was XORed with.
TSecretBytes KeyStream(const TSecretText& password, const std::uint8_t* salt, std::uint64_t opsLimit,
                       std::uint64_t memLimit) {
    const TScryptParameters s = ScryptParameters(opsLimit, memLimit);
    // What OpenSSL holds (V and B) and what it mixes, both bounded before anything is allocated.
    const std::int64_t limit = limits::kMaxKeyDerivationBytes;
    const bool fits = s.p >= 1 && s.n <= static_cast<std::uint64_t>(limit) / (128 * s.r) &&
                      s.p <= static_cast<std::uint64_t>(limit) / (128 * s.r * s.n) &&
                      128 * s.r * (s.n + 2) + 128 * s.r * s.p <= static_cast<std::uint64_t>(limit);
    if (!fits)
        throw ESignatureError("the secret key asks for a key derivation (scrypt N=" + std::to_string(s.n) + ", r=" +
                              std::to_string(s.r) + ", p=" + std::to_string(s.p) + ") larger than the limit of " +
                              std::to_string(limits::kMaxKeyDerivationBytes) + " bytes");
    TSecretBytes stream{std::vector<std::uint8_t>(kSecretSize)};
    if (EVP_PBE_scrypt(password.Text().data(), password.Text().size(), salt, 32, s.n, s.r, s.p,
                       static_cast<std::uint64_t>(limit), stream.bytes.data(), stream.bytes.size()) != 1)
        throw ESignatureError("the secret key's password could not be applied (scrypt failed)");
    return stream;
}

TPKey PrivateKey(const TSecretKey& key) {
    TPKey pkey(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, key.Seed.data(), key.Seed.size()));
    if (!pkey) throw ESignatureError("the secret key cannot be used for Ed25519");
    return pkey;
}

std::array<std::uint8_t, 64> Ed25519Sign(const TSecretKey& key, std::string_view message) {
    const auto pkey = PrivateKey(key);
    TMdContext context(EVP_MD_CTX_new());
    std::array<std::uint8_t, 64> signature{};
    std::size_t length = signature.size();
    if (!context || EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, pkey.get()) != 1 ||
        EVP_DigestSign(context.get(), signature.data(), &length, reinterpret_cast<const std::uint8_t*>(message.data()),
                       message.size()) != 1 ||
        length != signature.size())
        throw ESignatureError("the signature could not be made");
    return signature;
}

// The key file's bytes (the line after the comment), or empty.
std::vector<std::uint8_t> KeyBytes(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && line.substr(0, 18) != "untrusted comment:") return DecodeBase64(line);
        start = end + 1;
    }
    return {};
}

std::vector<std::uint8_t> CheckedKeyBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes = KeyBytes(text);
    const auto at = [&](std::size_t i, std::string_view two) {
        return bytes[i] == static_cast<std::uint8_t>(two[0]) && bytes[i + 1] == static_cast<std::uint8_t>(two[1]);
    };
    if (bytes.size() != kKeyFileSize || !at(0, "Ed") || !at(4, "B2"))
        throw ESignatureError("the secret key file is not in minisign's format");
    if (!at(2, "Sc") && !(bytes[2] == 0 && bytes[3] == 0))
        throw ESignatureError("the secret key is encrypted with a method other than scrypt");
    return bytes;
}

}  // namespace

TSecretKey::~TSecretKey() { OPENSSL_cleanse(Seed.data(), Seed.size()); }

TSecretText::TSecretText() { text_.reserve(kCapacity); }

TSecretText::TSecretText(std::string_view text) : TSecretText() {
    for (const char c : text.substr(0, kCapacity)) text_ += c;
}

TSecretText::~TSecretText() { OPENSSL_cleanse(text_.data(), text_.capacity()); }

TSecretText::TSecretText(TSecretText&& other) noexcept { text_.swap(other.text_); }

bool TSecretText::Append(char c) {
    if (text_.size() == kCapacity) return false;
    text_ += c;
    return true;
}

bool SecretKeyEncrypted(std::string_view text) {
    const std::vector<std::uint8_t> bytes = CheckedKeyBytes(text);
    return bytes[2] == 'S';
}

TSecretKey ReadSecretKey(std::string_view text, const std::function<TSecretText()>& password) {
    TSecretBytes bytes{CheckedKeyBytes(text)};
    if (bytes.bytes[2] == 'S') {
        const TSecretBytes stream =
            KeyStream(password(), bytes.bytes.data() + kSaltAt, Le64(bytes.bytes.data() + kOpsLimitAt),
                      Le64(bytes.bytes.data() + kMemLimitAt));
        for (std::size_t i = 0; i < kSecretSize; ++i) bytes.bytes[kSecretAt + i] ^= stream.bytes[i];
    }
    const std::uint8_t* secret = bytes.bytes.data() + kSecretAt;
    TSecretKey key;
    std::copy_n(secret, 8, key.Id.begin());
    std::copy_n(secret + 8, 32, key.Seed.begin());
    key.PublicKey.Id = key.Id;
    std::copy_n(secret + 40, 32, key.PublicKey.Key.begin());
    // The seed must give the public key stored beside it; a wrong password gives another.
    std::array<std::uint8_t, 32> derived{};
    std::size_t length = derived.size();
    if (EVP_PKEY_get_raw_public_key(PrivateKey(key).get(), derived.data(), &length) != 1 || length != derived.size() ||
        derived != key.PublicKey.Key)
        throw ESignatureError(bytes.bytes[2] == 'S' ? "the secret key's password is wrong"
                                                    : "the secret key is damaged: its parts do not go together");
    return key;
}

TSignature SignData(const TSecretKey& key, std::string_view data, const std::string& trustedComment) {
    TSignature signature;
    signature.Prehashed = true;
    signature.Id = key.Id;
    const auto digest = Blake2b512(data);
    signature.FileSignature =
        Ed25519Sign(key, std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
    signature.TrustedComment = trustedComment;
    std::string signedComment(signature.FileSignature.begin(), signature.FileSignature.end());
    signedComment += trustedComment;
    signature.CommentSignature = Ed25519Sign(key, signedComment);
    return signature;
}

}  // namespace yeroup::app::trust
