#include "app/trust/Minisign.h"

#include <openssl/evp.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>

#include "app/core/Limits.h"
#include "app/trust/OpenSslHandles.h"

namespace yeroup::app::trust {

namespace {

constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
constexpr std::string_view kTrustedPrefix = "trusted comment: ";

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool Ed25519Verify(const TPublicKey& key, const std::array<std::uint8_t, 64>& signature, const std::uint8_t* message,
                   std::size_t length) {
    TPKey pkey(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key.Key.data(), key.Key.size()));
    TMdContext context(EVP_MD_CTX_new());
    if (!pkey || !context) throw ESignatureError("the signature check could not start");
    if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, pkey.get()) != 1)
        throw ESignatureError("the signature check could not start");
    return EVP_DigestVerify(context.get(), signature.data(), signature.size(), message, length) == 1;
}

// A field name, or a flag such as minisign's own "hashed": lower-case letters.
bool IsFieldName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// The fields of a trusted comment as minisign writes them: one tab between fields, each "name:value" or a bare
// flag. Anything else (a space beside a tab, an empty field, a name given twice) is refused rather than read
// around, since a field read around is a field dropped.
std::map<std::string, std::string, std::less<>> CommentFields(std::string_view comment) {
    std::map<std::string, std::string, std::less<>> fields;
    std::size_t number = 0;
    for (std::string_view rest = comment;;) {
        const std::size_t tab = rest.find('\t');
        const std::string_view field = rest.substr(0, tab);
        const std::size_t colon = field.find(':');
        const std::string_view name = field.substr(0, colon);
        ++number;
        if (!IsFieldName(name))
            throw ESignatureError("the trusted comment's field " + std::to_string(number) + " (\"" +
                                  std::string(field) + "\") is not in minisign's form");
        const std::string value = colon == std::string_view::npos ? "" : std::string(field.substr(colon + 1));
        if (!fields.emplace(name, value).second)
            throw ESignatureError("the trusted comment gives \"" + std::string(name) + "\" twice");
        if (tab == std::string_view::npos) break;
        rest.remove_prefix(tab + 1);
    }
    return fields;
}

// A time field: decimal digits, seconds since 1970 up to the last second a date is written for.
std::int64_t ReadTime(const std::map<std::string, std::string, std::less<>>& fields, const std::string& name,
                      const std::string& what) {
    const std::string& text = fields.at(name);
    std::int64_t time = 0;
    const bool digits =
        !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), time);
    if (!digits || end != text.data() + text.size())
        throw ESignatureError("the trusted comment's " + what + " is not a time: " + text);
    if (error != std::errc() || time > limits::kMaxSignedTime)
        throw ESignatureError("the trusted comment's " + what + " is out of range: " + text);
    return time;
}

}  // namespace

std::vector<std::uint8_t> DecodeBase64(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0) return {};
    std::vector<std::uint8_t> out(text.size() / 4 * 3);
    const int n =
        EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (n < 0) return {};
    std::size_t padding = 0;
    while (padding < 2 && text[text.size() - 1 - padding] == '=') ++padding;
    out.resize(static_cast<std::size_t>(n) - padding);
    return out;
}

std::string EncodeBase64(const std::uint8_t* data, std::size_t length) {
    std::string text((length + 2) / 3 * 4 + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), data, static_cast<int>(length));
    text.resize(static_cast<std::size_t>(n));
    return text;
}

std::array<std::uint8_t, 64> Blake2b512(std::string_view data) {
    std::array<std::uint8_t, 64> digest{};
    unsigned int size = 0;
    if (EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_blake2b512(), nullptr) != 1 || size != 64)
        throw ESignatureError("the file's hash could not be computed");
    return digest;
}

std::string KeyIdText(const KeyId& id) {
    std::uint64_t number = 0;
    for (std::size_t i = id.size(); i-- > 0;) number = number << 8 | id[i];
    char text[17];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(number));
    return text;
}

namespace {

const TPublicKey& FindKey(const std::vector<TPublicKey>& keys, const KeyId& id) {
    const auto key = std::find_if(keys.begin(), keys.end(), [&](const TPublicKey& k) { return k.Id == id; });
    if (key == keys.end())
        throw ESignatureError("the signature was made with a key that is not trusted (key id " + KeyIdText(id) + ")");
    return *key;
}

}  // namespace

std::vector<TPublicKey> ParsePublicKeys(std::string_view text) {
    std::vector<TPublicKey> keys;
    for (std::string_view line : Lines(text)) {
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
        if (line.empty() || line.front() == '#' || StartsWith(line, kUntrustedPrefix)) continue;
        const std::vector<std::uint8_t> bytes = DecodeBase64(line);
        if (bytes.size() != 42 || bytes[0] != 'E' || bytes[1] != 'd')
            throw ESignatureError("the trusted-key file holds a line that is not a minisign public key");
        TPublicKey key;
        std::copy_n(bytes.begin() + 2, 8, key.Id.begin());
        std::copy_n(bytes.begin() + 10, 32, key.Key.begin());
        keys.push_back(key);
    }
    if (keys.empty()) throw ESignatureError("the trusted-key file holds no key");
    return keys;
}

TSignature ParseSignature(std::string_view text) {
    const std::vector<std::string_view> lines = Lines(text);
    const auto malformed = [] { return ESignatureError("the signature file is not in minisign's format"); };
    if (lines.size() < 4 || !StartsWith(lines[0], kUntrustedPrefix) || !StartsWith(lines[2], kTrustedPrefix))
        throw malformed();
    for (std::size_t i = 4; i < lines.size(); ++i)
        if (!lines[i].empty()) throw malformed();
    const std::vector<std::uint8_t> first = DecodeBase64(lines[1]);
    const std::vector<std::uint8_t> second = DecodeBase64(lines[3]);
    if (first.size() != 74 || second.size() != 64 || first[0] != 'E' || (first[1] != 'D' && first[1] != 'd'))
        throw malformed();
    TSignature signature;
    signature.Prehashed = first[1] == 'D';
    std::copy_n(first.begin() + 2, 8, signature.Id.begin());
    std::copy_n(first.begin() + 10, 64, signature.FileSignature.begin());
    signature.TrustedComment = std::string(lines[2].substr(kTrustedPrefix.size()));
    std::copy(second.begin(), second.end(), signature.CommentSignature.begin());
    return signature;
}

TSignedFacts ReadTrustedComment(std::string_view comment) {
    const auto fields = CommentFields(comment);
    TSignedFacts facts;
    if (!fields.count("timestamp")) throw ESignatureError("the trusted comment carries no timestamp");
    facts.Timestamp = ReadTime(fields, "timestamp", "timestamp");
    const auto file = fields.find("file");
    if (file == fields.end()) throw ESignatureError("the trusted comment names no file");
    facts.FileName = file->second;
    if (fields.count("expires")) facts.Expires = ReadTime(fields, "expires", "expiry");
    return facts;
}

std::string SignatureText(const TSignature& signature, const std::string& untrustedComment) {
    std::vector<std::uint8_t> first{'E', static_cast<std::uint8_t>(signature.Prehashed ? 'D' : 'd')};
    first.insert(first.end(), signature.Id.begin(), signature.Id.end());
    first.insert(first.end(), signature.FileSignature.begin(), signature.FileSignature.end());
    return std::string(kUntrustedPrefix) + untrustedComment + "\n" + EncodeBase64(first.data(), first.size()) + "\n" +
           std::string(kTrustedPrefix) + signature.TrustedComment + "\n" +
           EncodeBase64(signature.CommentSignature.data(), signature.CommentSignature.size()) + "\n";
}

TSignedFacts VerifySignature(const std::vector<TPublicKey>& keys, const TSignature& signature, std::string_view data) {
    const TPublicKey& key = FindKey(keys, signature.Id);
    bool good;
    if (signature.Prehashed) {
        const auto digest = Blake2b512(data);
        good = Ed25519Verify(key, signature.FileSignature, digest.data(), digest.size());
    } else {
        good = Ed25519Verify(key, signature.FileSignature, reinterpret_cast<const std::uint8_t*>(data.data()),
                             data.size());
    }
    if (!good) throw ESignatureError("the file does not match its signature");
    return VerifyTrustedComment(key, signature);
}

TSignedFacts VerifyTrustedComment(const std::vector<TPublicKey>& keys, const TSignature& signature) {
    const TPublicKey& key = FindKey(keys, signature.Id);
    return VerifyTrustedComment(key, signature);
}

TSignedFacts VerifyTrustedComment(const TPublicKey& key, const TSignature& signature) {
    std::string signedComment(signature.FileSignature.begin(), signature.FileSignature.end());
    signedComment += signature.TrustedComment;
    if (!Ed25519Verify(key, signature.CommentSignature, reinterpret_cast<const std::uint8_t*>(signedComment.data()),
                       signedComment.size()))
        throw ESignatureError("the trusted comment does not match its signature");
    return ReadTrustedComment(signature.TrustedComment);
}

}  // namespace yeroup::app::trust
