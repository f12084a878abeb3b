// A key rotation statement comes from the update host, and the program's own key changes from its data folder:
// whatever either holds, it is read back exactly as written or refused with a reason, and a statement never
// changes the trusted keys without its two signatures.
#include <cstdint>
#include <string>

#include "app/trust/KeyRotation.h"

using namespace yeroup::app::trust;

namespace {

void CheckStatement(const std::string& text) {
    TRotationStatement statement;
    try {
        statement = ParseRotationStatement(text);
    } catch (const ESignatureError&) {
        return;
    }
    const std::string written = RotationStatementText(statement);
    if (RotationStatementText(ParseRotationStatement(written)) != written) __builtin_trap();
    // Unsigned, it is refused whatever it says.
    const TTrustedKeys keys = TTrustedKeys::Configure({statement.newKey}, "");
    try {
        TakeRotation(keys, {}, text, "", "");
        __builtin_trap();
    } catch (const ESignatureError&) {}
}

void CheckChanges(const std::string& text) {
    TKeyChanges changes;
    try {
        changes = ParseKeyChanges(text);
    } catch (const ESignatureError&) {
        return;
    }
    const std::string written = KeyChangesText(changes);
    if (KeyChangesText(ParseKeyChanges(written)) != written) __builtin_trap();
    const TTrustedKeys inForce = KeysInForce(TTrustedKeys::Configure(changes.added, ""), changes);
    if (inForce.Keys().empty() == inForce.Problem().empty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckStatement(text);
    CheckChanges(text);
    return 0;
}
