#pragma once
// minisign's public key and signature formats, and the check of a signature over a file's bytes.
// Ed25519 over the file (legacy "Ed") or over its BLAKE2b-512 hash ("ED"), and a second Ed25519 signature
// over the first one and the trusted comment. The cryptography is OpenSSL's.
#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace yeroup::app::trust {

// A signature or key that cannot be accepted; the message says why (in English, for logs and tests).
class ESignatureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using KeyId = std::array<std::uint8_t, 8>;

struct TPublicKey {
    KeyId Id{};
    std::array<std::uint8_t, 32> Key{};
};

struct TSignature {
    bool Prehashed = true;  // "ED": the file's BLAKE2b-512 hash was signed
    KeyId Id{};
    std::array<std::uint8_t, 64> FileSignature{};
    std::string TrustedComment;  // the text after "trusted comment: "
    std::array<std::uint8_t, 64> CommentSignature{};
};

// What a verified trusted comment says.
struct TSignedFacts {
    std::int64_t Timestamp = 0;
    std::string FileName;
    // The operator's "expires:" field: the copy must not be used after this time.
    std::optional<std::int64_t> Expires;
};

// Strict base64 (whole quads, padding only at the end); empty on any fault.
std::vector<std::uint8_t> DecodeBase64(std::string_view text);
std::string EncodeBase64(const std::uint8_t* data, std::size_t length);

// The hash a prehashed ("ED") signature is made over.
std::array<std::uint8_t, 64> Blake2b512(std::string_view data);

// The key id as minisign prints it (upper-case hexadecimal of the little-endian number).
std::string KeyIdText(const KeyId& id);

// Every public key in the text: minisign's two-line form ("untrusted comment:" line, then the key), any number
// of them; blank lines and lines starting with "#" or "untrusted comment:" are skipped. At least one key.
std::vector<TPublicKey> ParsePublicKeys(std::string_view text);

// A .minisig file's four lines.
TSignature ParseSignature(std::string_view text);
// The same four lines written out, as minisign writes them.
std::string SignatureText(const TSignature& signature, const std::string& untrustedComment);

// The trusted comment's tab-separated fields: "timestamp:" and "file:" (both needed) and "expires:" (optional),
// times in seconds since 1970. Raises ESignatureError when one is missing or not a time.
TSignedFacts ReadTrustedComment(std::string_view comment);

// Checks signature over data with the key of its id among keys, then the trusted comment's signature, then
// reads the comment (ReadTrustedComment): its "timestamp:" and "file:" fields and an "expires:" field when there
// is one (tab-separated, times in seconds since 1970). Raises ESignatureError on any failure.
TSignedFacts VerifySignature(const std::vector<TPublicKey>& keys, const TSignature& signature, std::string_view data);

// Only the trusted comment's signature and fields, whatever file the signature was made over.
TSignedFacts VerifyTrustedComment(const std::vector<TPublicKey>& keys, const TSignature& signature);
TSignedFacts VerifyTrustedComment(const TPublicKey& key, const TSignature& signature);

}  // namespace yeroup::app::trust
