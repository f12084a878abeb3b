#include "app/trust/TrustedKeys.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/core/Limits.h"
#include "platform/text/CodePages.h"

namespace yeroup::app::trust {

TTrustedKeys TTrustedKeys::FromFile(const std::string& path, bool mustExist) {
    TTrustedKeys result;
    std::error_code error;
    const bool exists = std::filesystem::exists(path, error);
    if (!exists && !mustExist) return result;
    result.configured_ = true;
    const auto size = exists ? std::filesystem::file_size(path, error) : 0;
    if (!exists || error) {
        result.problem_ = "the trusted-key file " + path + " cannot be read";
    } else if (size > static_cast<std::uintmax_t>(limits::kMaxTrustedKeyFileBytes)) {
        result.problem_ = "the trusted-key file " + path + " is larger than " +
                          std::to_string(limits::kMaxTrustedKeyFileBytes) + " bytes";
    } else {
        std::ifstream in(path, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        try {
            if (!in.good() && !in.eof()) throw ESignatureError("the trusted-key file " + path + " cannot be read");
            result.keys_ = ParsePublicKeys(text);
        } catch (const ESignatureError& e) {
            result.problem_ = e.what();
        }
    }
    return result;
}

TTrustedKeys TTrustedKeys::Configure(std::vector<TPublicKey> keys, std::string problem) {
    TTrustedKeys result;
    result.configured_ = true;
    result.keys_ = std::move(keys);
    result.problem_ = std::move(problem);
    return result;
}

TSignature TTrustedKeys::Parse(std::string_view signatureText) const {
    if (!problem_.empty()) throw ESignatureError(problem_);
    if (static_cast<std::int64_t>(signatureText.size()) > limits::kMaxSignatureFileBytes)
        throw ESignatureError("the signature file is larger than " + std::to_string(limits::kMaxSignatureFileBytes) +
                              " bytes");
    return ParseSignature(signatureText);
}

void TTrustedKeys::CheckName(const TSignedFacts& facts, const std::string& name) const {
    if (facts.FileName != name && facts.FileName != platform::AnsiToUtf8(name))
        throw ESignatureError("the signature names the file " + facts.FileName + ", not " + name);
}

TSignedFacts TTrustedKeys::Verify(std::string_view data, std::string_view signatureText,
                                  const std::string& name) const {
    TSignedFacts facts = VerifySignature(keys_, Parse(signatureText), data);
    CheckName(facts, name);
    return facts;
}

TSignedFacts TTrustedKeys::VerifyComment(std::string_view signatureText, const std::string& name) const {
    TSignedFacts facts = VerifyTrustedComment(keys_, Parse(signatureText));
    CheckName(facts, name);
    return facts;
}

std::optional<TSignedFacts> TTrustedKeys::AcceptedFacts(std::string_view signatureText, const std::string& name) const {
    try {
        return VerifyComment(signatureText, name);
    } catch (const ESignatureError&) {
        return std::nullopt;
    }
}

std::string TrustedKeyFileFromEnvironment(bool& mustExist) {
    const char* path = std::getenv("YEROUP_TRUSTED_KEYS");
    mustExist = path && *path;
    return mustExist ? std::string(path) : std::string("/etc/yeroup/trusted-keys.pub");
}

TTrustedKeys TrustedKeysFromEnvironment() {
    bool mustExist = false;
    const std::string path = TrustedKeyFileFromEnvironment(mustExist);
    return TTrustedKeys::FromFile(path, mustExist);
}

}  // namespace yeroup::app::trust
