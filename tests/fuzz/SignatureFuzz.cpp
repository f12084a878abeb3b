// Signature files come from the update host and from disk: whatever their bytes, the reader and the checks must
// fail only by ESignatureError and accept nothing the trusted key did not sign. The input is a trusted-key file,
// a NUL, a signature file, a NUL and the bytes it signs (seeds: real minisign key pairs and signatures).
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "app/core/Limits.h"
#include "app/trust/CatalogueFreshness.h"
#include "app/trust/Minisign.h"
#include "app/trust/TrustedKeys.h"
#include "tests/fuzz/FuzzScratch.h"

using namespace yeroup::app::trust;

namespace {

// The next part of input up to a NUL (all of it when there is none).
std::string_view TakePart(std::string_view& input) {
    const std::size_t end = input.find('\0');
    const std::string_view part = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view keyText = TakePart(input);
    const std::string_view signatureText = TakePart(input);
    const std::string_view signedBytes = input;

    static const auto keyFile = yeroup::fuzz::ScratchFolder() / "keys.pub";
    yeroup::fuzz::WriteScratchFile(keyFile, reinterpret_cast<const std::uint8_t*>(keyText.data()), keyText.size());
    const TTrustedKeys keys = TTrustedKeys::FromFile(keyFile.string(), true);

    try {
        const TSignature signature = ParseSignature(signatureText);
        if (signature.TrustedComment.find('\n') != std::string::npos) __builtin_trap();
        const TSignedFacts facts = ReadTrustedComment(signature.TrustedComment);
        if (facts.Timestamp < 0 || (facts.Expires && *facts.Expires < 0)) __builtin_trap();
        for (const std::int64_t now :
             {std::int64_t{0}, std::int64_t{1767225600}, std::numeric_limits<std::int64_t>::max()}) {
            JudgeFreshness(facts, now);
            if (DaysSinceSigning(facts, now) < 0) __builtin_trap();
        }
    } catch (const ESignatureError&) {}

    for (const char* name : {"YEROMP3LiveUpdate.ini", "A_1.0.zip"}) {
        try {
            const TSignedFacts facts = keys.Verify(signedBytes, signatureText, name);
            // Accepted: within the size limit, and made by a key of the file for this name.
            if (static_cast<std::int64_t>(signatureText.size()) > yeroup::app::limits::kMaxSignatureFileBytes ||
                keys.Keys().empty() || facts.FileName != name)
                __builtin_trap();
            if (!keys.AcceptedFacts(signatureText, name)) __builtin_trap();
        } catch (const ESignatureError&) {}
    }
    return 0;
}
