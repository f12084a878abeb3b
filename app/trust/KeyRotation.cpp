#include "app/trust/KeyRotation.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

#include "app/core/Limits.h"

namespace yeroup::app::trust {

namespace {

constexpr std::string_view kStatementHead = "yeroup key rotation 1";

[[noreturn]] void Refuse(const std::string& why) { throw ESignatureError("the key rotation statement " + why); }

// The text's lines, each ended by "\n" (the last one may lack it).
std::vector<std::string_view> TextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// The value of a "name: value" line; false for a line of another name.
bool Value(std::string_view line, std::string_view name, std::string_view& value) {
    if (line.size() < name.size() + 2 || line.substr(0, name.size()) != name || line.substr(name.size(), 2) != ": ")
        return false;
    value = line.substr(name.size() + 2);
    return true;
}

bool ReadSeconds(std::string_view text, std::int64_t& seconds) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    return !text.empty() && text[0] != '-' && error == std::errc() && end == text.data() + text.size() &&
           seconds <= limits::kMaxSignedTime;
}

bool ReadKeyId(std::string_view text, KeyId& id) {
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, 16);
    if (text.empty() || text.size() > 16 || error != std::errc() || end != text.data() + text.size()) return false;
    for (std::uint8_t& byte : id) {
        byte = static_cast<std::uint8_t>(number & 0xFF);
        number >>= 8;
    }
    return KeyIdText(id) == text;  // minisign's spelling only: upper case, no leading zeros
}

bool ReadPublicKey(std::string_view text, TPublicKey& key) {
    const std::vector<std::uint8_t> bytes = DecodeBase64(text);
    if (bytes.size() != 42 || bytes[0] != 'E' || bytes[1] != 'd') return false;
    std::copy_n(bytes.begin() + 2, 8, key.Id.begin());
    std::copy_n(bytes.begin() + 10, 32, key.Key.begin());
    return true;
}

std::string PublicKeyText(const TPublicKey& key) {
    std::vector<std::uint8_t> bytes{'E', 'd'};
    bytes.insert(bytes.end(), key.Id.begin(), key.Id.end());
    bytes.insert(bytes.end(), key.Key.begin(), key.Key.end());
    return EncodeBase64(bytes.data(), bytes.size());
}

bool Holds(const std::vector<TPublicKey>& keys, const KeyId& id) {
    return std::any_of(keys.begin(), keys.end(), [&](const TPublicKey& key) { return key.Id == id; });
}

}  // namespace

TRotationStatement ParseRotationStatement(std::string_view text) {
    if (text.size() > limits::kMaxRotationStatementBytes)
        Refuse("is larger than " + std::to_string(limits::kMaxRotationStatementBytes) + " bytes");
    const std::vector<std::string_view> lines = TextLines(text);
    if (lines.size() != 5 || lines[0] != kStatementHead) Refuse("is not one this program reads");
    TRotationStatement statement;
    std::string_view value;
    if (!Value(lines[1], "timestamp", value) || !ReadSeconds(value, statement.timestamp))
        Refuse("gives no time it was made");
    if (!Value(lines[2], "old", value) || !ReadKeyId(value, statement.oldKey)) Refuse("names no old key");
    if (!Value(lines[3], "new", value) || !ReadPublicKey(value, statement.newKey)) Refuse("gives no new key");
    if (!Value(lines[4], "retire-old", value) || (value != "yes" && value != "no"))
        Refuse("says neither yes nor no to retiring the old key");
    statement.retireOld = value == "yes";
    return statement;
}

std::string RotationStatementText(const TRotationStatement& statement) {
    return std::string(kStatementHead) + "\ntimestamp: " + std::to_string(statement.timestamp) +
           "\nold: " + KeyIdText(statement.oldKey) + "\nnew: " + PublicKeyText(statement.newKey) +
           "\nretire-old: " + (statement.retireOld ? "yes" : "no") + "\n";
}

TKeyChanges ParseKeyChanges(std::string_view text) {
    const std::vector<std::string_view> lines = TextLines(text);
    TKeyChanges changes;
    std::string_view value;
    if (lines.empty() || !Value(lines[0], "taken", value) || !ReadSeconds(value, changes.taken))
        throw ESignatureError("the program's own key changes are damaged: they give no time");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        TPublicKey key;
        KeyId id{};
        if (Value(lines[i], "add", value) && ReadPublicKey(value, key))
            changes.added.push_back(key);
        else if (Value(lines[i], "retire", value) && ReadKeyId(value, id))
            changes.retired.push_back(id);
        else
            throw ESignatureError("the program's own key changes are damaged at line " + std::to_string(i + 1));
    }
    return changes;
}

std::string KeyChangesText(const TKeyChanges& changes) {
    std::string text = "taken: " + std::to_string(changes.taken) + "\n";
    for (const TPublicKey& key : changes.added) text += "add: " + PublicKeyText(key) + "\n";
    for (const KeyId& id : changes.retired) text += "retire: " + KeyIdText(id) + "\n";
    return text;
}

TKeyChanges ReadKeyChanges(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return {};
    std::ifstream in(file, std::ios::binary);
    std::string text(static_cast<std::size_t>(limits::kMaxTrustedKeyFileBytes) + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > static_cast<std::size_t>(limits::kMaxTrustedKeyFileBytes))
        throw ESignatureError("the program's own key changes " + file.string() + " are larger than " +
                              std::to_string(limits::kMaxTrustedKeyFileBytes) + " bytes");
    return ParseKeyChanges(text);
}

TTrustedKeys KeysInForce(const TTrustedKeys& configured, const TKeyChanges& changes) {
    if (!configured.Configured() || !configured.Problem().empty()) return configured;
    std::vector<TPublicKey> keys = configured.Keys();
    for (const TPublicKey& key : changes.added)
        if (!Holds(keys, key.Id)) keys.push_back(key);
    std::erase_if(keys, [&](const TPublicKey& key) {
        return std::find(changes.retired.begin(), changes.retired.end(), key.Id) != changes.retired.end();
    });
    std::string problem = keys.empty() ? "every trusted key has been retired" : "";
    return TTrustedKeys::Configure(std::move(keys), std::move(problem));
}

TTrustedKeys KeysInForce(const TTrustedKeys& configured, const std::filesystem::path& changesFile) {
    if (!configured.Configured()) return configured;
    try {
        return KeysInForce(configured, ReadKeyChanges(changesFile));
    } catch (const ESignatureError& e) {
        return TTrustedKeys::Configure({}, e.what());
    }
}

TKeyChanges TakeRotation(const TTrustedKeys& configured, const TKeyChanges& changes, std::string_view statementText,
                         std::string_view oldSignature, std::string_view newSignature) {
    const TTrustedKeys inForce = KeysInForce(configured, changes);
    const TRotationStatement statement = ParseRotationStatement(statementText);
    if (!Holds(inForce.Keys(), statement.oldKey))
        Refuse("is signed by a key this program does not trust (key id " + KeyIdText(statement.oldKey) + ")");
    try {
        const TSignature first = ParseSignature(oldSignature);
        if (first.Id != statement.oldKey) throw ESignatureError("its first signature is not by the old key");
        VerifySignature(inForce.Keys(), first, statementText);
        VerifySignature({statement.newKey}, ParseSignature(newSignature), statementText);
    } catch (const ESignatureError& e) {
        Refuse(std::string("is refused: ") + e.what());
    }
    if (statement.timestamp < changes.taken) Refuse("is older than the one taken last: it is a replay");
    if (statement.timestamp == changes.taken) return changes;  // taken already, at an earlier refresh
    TKeyChanges next = changes;
    next.taken = statement.timestamp;
    std::erase_if(next.retired, [&](const KeyId& id) { return id == statement.newKey.Id; });
    if (!Holds(next.added, statement.newKey.Id)) next.added.push_back(statement.newKey);
    if (statement.retireOld) next.retired.push_back(statement.oldKey);
    if (KeysInForce(configured, next).Keys().empty()) Refuse("would retire the only key left");
    return next;
}

}  // namespace yeroup::app::trust
