#pragma once
// The public keys the program trusts for its catalogue and packages, and the checks made with them.
// With no key file the program asks for no signature at all; a key file that exists but cannot be used fails
// every check, so that a damaged file never turns verification off.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/trust/Minisign.h"

namespace yeroup::app::trust {

class TTrustedKeys {
public:
    // No key configured.
    TTrustedKeys() = default;
    // Reads path; a missing file means no key configured unless mustExist.
    static TTrustedKeys FromFile(const std::string& path, bool mustExist);
    // Configured with keys, or, with a problem, configured and failing every check.
    static TTrustedKeys Configure(std::vector<TPublicKey> keys, std::string problem);

    bool Configured() const { return configured_; }
    // Why the key file cannot be used; empty when it can.
    const std::string& Problem() const { return problem_; }
    const std::vector<TPublicKey>& Keys() const { return keys_; }

    // Checks signatureText (a .minisig file) over data and that it names the file name (as the update host
    // spells it, in the ANSI code page, or the same name in UTF-8). Raises ESignatureError.
    TSignedFacts Verify(std::string_view data, std::string_view signatureText, const std::string& name) const;
    // As Verify, for bytes already known to be the signed ones (by a signed list of their hashes): only the key
    // and the trusted comment are checked, and the name. Raises ESignatureError.
    TSignedFacts VerifyComment(std::string_view signatureText, const std::string& name) const;
    // What the trusted comment of a signature file accepted earlier says; none when it is missing or no longer
    // checks. Only the comment is checked: the file it was made over may have been replaced since.
    std::optional<TSignedFacts> AcceptedFacts(std::string_view signatureText, const std::string& name) const;

private:
    TSignature Parse(std::string_view signatureText) const;
    void CheckName(const TSignedFacts& facts, const std::string& name) const;

    bool configured_ = false;
    std::string problem_;
    std::vector<TPublicKey> keys_;
};

// The trusted-key file: $YEROUP_TRUSTED_KEYS (which must then exist), else /etc/yeroup/trusted-keys.pub.
std::string TrustedKeyFileFromEnvironment(bool& mustExist);
TTrustedKeys TrustedKeysFromEnvironment();

}  // namespace yeroup::app::trust
