#pragma once
// Signing keys a vendor can rotate. The site publishes a rotation statement: the new public key and whether the
// key before it is retired, signed by that key and by the new one (as each root key set of The Update Framework
// signs the next). The program, reading it at a catalogue refresh with the keys it trusts, keeps the change in a
// key set of its own in its data folder (the system's trusted-key file is never written): from then on it trusts
// the new key, and no longer the retired one.
//
// The statement (UTF-8 lines):
//   yeroup key rotation 1
//   timestamp: SECONDS      (when it was made; an older statement than one taken is a replay)
//   old: KEYID              (the key it signs with first, as minisign prints key ids)
//   new: KEY                (the new public key, minisign's base64 line)
//   retire-old: yes|no
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/trust/TrustedKeys.h"

namespace yeroup::app::trust {

struct TRotationStatement {
    std::int64_t timestamp = 0;
    KeyId oldKey{};
    TPublicKey newKey;
    bool retireOld = false;
};

// Raises ESignatureError for any other text.
TRotationStatement ParseRotationStatement(std::string_view text);
std::string RotationStatementText(const TRotationStatement& statement);

// What the statements taken so far changed: the newest one's time, the keys added and the key ids retired. Kept
// as a file of the same lines ("taken: SECONDS", then "add: KEY" and "retire: KEYID" lines).
struct TKeyChanges {
    std::int64_t taken = 0;
    std::vector<TPublicKey> added;
    std::vector<KeyId> retired;
};
TKeyChanges ParseKeyChanges(std::string_view text);
std::string KeyChangesText(const TKeyChanges& changes);
// The file's changes; none when there is no file. Raises ESignatureError for one that cannot be read.
TKeyChanges ReadKeyChanges(const std::filesystem::path& file);

// The keys in force: the configured ones and those added, less those retired. A configured set that cannot be
// used stays so; with no key configured nothing is asked for, whatever the file says.
TTrustedKeys KeysInForce(const TTrustedKeys& configured, const TKeyChanges& changes);
// The same, the changes read from file; a file that cannot be read makes a set that fails every check.
TTrustedKeys KeysInForce(const TTrustedKeys& configured, const std::filesystem::path& changesFile);

// The changes after the statement, checked: its first signature by a key in force (the one it names as old), its
// second by the new key, newer than (or the same as) the last taken, and leaving a key in force. Raises
// ESignatureError saying which check failed.
TKeyChanges TakeRotation(const TTrustedKeys& configured, const TKeyChanges& changes, std::string_view statement,
                         std::string_view oldSignature, std::string_view newSignature);

// The statement's signatures stand beside it as <statement>.minisig (the old key's) and <statement>.new.minisig
// (the new key's).
inline constexpr const char* kNewKeySignatureSuffix = ".new";

}  // namespace yeroup::app::trust
