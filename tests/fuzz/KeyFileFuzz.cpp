// The trusted-key file is read from disk at every start: whatever it holds, it must give keys or say why it
// cannot be used (then every check fails), and never crash or turn checking off.
#include <cstdint>
#include <string>

#include "app/trust/Minisign.h"
#include "app/trust/TrustedKeys.h"
#include "tests/fuzz/FuzzScratch.h"

using namespace yeroup::app::trust;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto keyFile = yeroup::fuzz::ScratchFolder() / "trusted-keys.pub";
    yeroup::fuzz::WriteScratchFile(keyFile, data, size);
    const TTrustedKeys keys = TTrustedKeys::FromFile(keyFile.string(), true);
    if (!keys.Configured()) __builtin_trap();
    if (keys.Problem().empty() == keys.Keys().empty()) __builtin_trap();
    for (const TPublicKey& key : keys.Keys())
        if (KeyIdText(key.Id).empty()) __builtin_trap();
    // A file that cannot be used fails every check, with its own reason.
    if (!keys.Problem().empty()) {
        try {
            keys.Verify("x", "", "x");
            __builtin_trap();
        } catch (const ESignatureError& e) {
            if (keys.Problem() != e.what()) __builtin_trap();
        }
    }
    return 0;
}
