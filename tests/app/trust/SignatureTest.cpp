// Signature checks against real minisign output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "app/core/Limits.h"
#include "app/trust/CatalogueFreshness.h"
#include "app/trust/KeyRotation.h"
#include "app/trust/SecretKey.h"
#include "app/trust/TrustedKeys.h"
#include "tests/app/support/MinisignTool.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"

namespace yeroup::app::trust {
namespace {

using yeroup::test::MinisignTool;

class SignatureTest : public ::testing::Test {
protected:
    TTrustedKeys KeysFrom(const std::string& text, bool mustExist = true) {
        const auto path = scratch.Path() / "keys.pub";
        std::ofstream(path, std::ios::binary) << text;
        return TTrustedKeys::FromFile(path.string(), mustExist);
    }
    // The check's failure text, or "" when it passed.
    static std::string Failure(const std::function<void()>& check) {
        try {
            check();
            return "";
        } catch (const ESignatureError& e) {
            return e.what();
        }
    }

    yeroup::test::ScratchFolder scratch;
    MinisignTool tool;
    MinisignTool otherTool;
};

TEST_F(SignatureTest, RealSignaturesAreCheckedWhole) {
    const TTrustedKeys keys = KeysFrom(tool.PublicKeyText());
    const std::string package = "PK\3\4 firmware bytes";
    const std::string name = "T1_2.01.zip";
    const std::string good = tool.Sign(name, package);
    std::string comment = good;
    comment.replace(comment.find("timestamp:") + 10, 1, "9");
    std::string untrusted = good;
    untrusted.replace(0, untrusted.find('\n'), "untrusted comment: anything at all");
    // The signature line replaced by the key's own line, which is base64 too.
    const std::string keyLine = tool.PublicKeyText().substr(tool.PublicKeyText().find('\n') + 1, 56);
    std::string keyForSignature = good;
    const std::size_t signatureLine = good.find('\n') + 1;
    keyForSignature.replace(signatureLine, good.find('\n', signatureLine) - signatureLine, keyLine);
    struct Case {
        const char* what;
        std::string data;
        std::string signature;
        std::string name;
        std::string failure;
    } cases[] = {
        {"good", package, good, name, ""},
        {"legacy form", package, tool.Sign(name, package, "", true), name, ""},
        {"untrusted comment changed", package, untrusted, name, ""},
        {"tampered file", package + "!", good, name, "the file does not match its signature"},
        {"tampered trusted comment", package, comment, name, "the trusted comment does not match its signature"},
        {"other key", package, otherTool.Sign(name, package), name,
         "the signature was made with a key that is not trusted (key id " +
             std::string(otherTool.PublicKeyText().substr(
                 otherTool.PublicKeyText().rfind(' ') + 1,
                 otherTool.PublicKeyText().find('\n') - otherTool.PublicKeyText().rfind(' ') - 1)) +
             ")"},
        {"renamed file", package, good, "T1_2.02.zip", "the signature names the file T1_2.01.zip, not T1_2.02.zip"},
        {"no timestamp", package, tool.Sign(name, package, "file:" + name), name,
         "the trusted comment carries no timestamp"},
        {"no file name", package, tool.Sign(name, package, "timestamp:5"), name, "the trusted comment names no file"},
        {"expiry not a time", package, tool.Sign(name, package, "timestamp:5\tfile:" + name + "\texpires:soon"), name,
         "the trusted comment's expiry is not a time: soon"},
        {"not a signature", package, "<html>404</html>", name, "the signature file is not in minisign's format"},
        {"text after the signature", package, good + "more\n", name, "the signature file is not in minisign's format"},
        {"a key in place of the signature", package, keyForSignature, name,
         "the signature file is not in minisign's format"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Failure([&] { keys.Verify(c.data, c.signature, c.name); }), c.failure);
    }
    const TSignedFacts facts = keys.Verify(package, tool.Sign(name, package, "timestamp:1234\tfile:" + name), name);
    EXPECT_EQ(facts.Timestamp, 1234);
    EXPECT_EQ(facts.FileName, name);
    EXPECT_FALSE(facts.Expires);
    const TSignedFacts expiring =
        keys.Verify(package, tool.Sign(name, package, "timestamp:1234\tfile:" + name + "\texpires:5678"), name);
    EXPECT_EQ(expiring.Expires, 5678);
}

TEST_F(SignatureTest, AcceptedFactsForRollbackNeedOnlyTheTrustedComment) {
    const TTrustedKeys keys = KeysFrom(tool.PublicKeyText());
    const std::string name = "YEROMP3LiveUpdate.ini";
    const std::string signature = tool.Sign(name, "[A]\n1.0=\n", "timestamp:2000\tfile:" + name);
    ASSERT_TRUE(keys.AcceptedFacts(signature, name));
    EXPECT_EQ(keys.AcceptedFacts(signature, name)->Timestamp, 2000);  // whatever the stored copy holds now
    EXPECT_FALSE(keys.AcceptedFacts(signature, "other.ini"));
    EXPECT_FALSE(keys.AcceptedFacts(otherTool.Sign(name, "x", "timestamp:3000\tfile:" + name), name));
    EXPECT_FALSE(keys.AcceptedFacts("", name));
}

// Only minisign's own form is read: a field that would have to be read around is refused, never dropped, so an
// expiry cannot vanish and a time cannot wrap to another.
TEST_F(SignatureTest, TrustedCommentsAreReadOnlyInMinisignsForm) {
    const struct {
        std::string comment;
        const char* failure;  // empty: read, with this expiry
        std::int64_t expires = -1;
    } cases[] = {
        {"timestamp:5\tfile:a.zip\thashed", ""},
        {"timestamp:5\tfile:a.zip\texpires:9", "", 9},
        {"timestamp:5\tfile:a b:c.zip\texpires:9", "", 9},
        {"timestamp:5\tfile:a.zip\t expires:9",
         "the trusted comment's field 3 (\" expires:9\") is not in minisign's form"},
        {"timestamp:5\tfile:a.zip\texpires: 9", "the trusted comment's expiry is not a time:  9"},
        {"timestamp:5 \tfile:a.zip", "the trusted comment's timestamp is not a time: 5 "},
        {"timestamp:5 file:a.zip", "the trusted comment's timestamp is not a time: 5 file:a.zip"},
        {"timestamp:5\t\tfile:a.zip", "the trusted comment's field 2 (\"\") is not in minisign's form"},
        {"timestamp:5\tfile:a.zip\t", "the trusted comment's field 3 (\"\") is not in minisign's form"},
        {"\ttimestamp:5\tfile:a.zip", "the trusted comment's field 1 (\"\") is not in minisign's form"},
        {"Expires:9\ttimestamp:5\tfile:a.zip",
         "the trusted comment's field 1 (\"Expires:9\") is not in minisign's form"},
        {"file:a.zip", "the trusted comment carries no timestamp"},
        {"timestamp:5", "the trusted comment names no file"},
        {"timestamp:5\tfile:a.zip\texpires:9\texpires:10", "the trusted comment gives \"expires\" twice"},
        {"timestamp:5\ttimestamp:6\tfile:a.zip", "the trusted comment gives \"timestamp\" twice"},
        {"timestamp:5\tfile:a.zip\texpires:", "the trusted comment's expiry is not a time: "},
        {"timestamp:-5\tfile:a.zip", "the trusted comment's timestamp is not a time: -5"},
        {"timestamp:+5\tfile:a.zip", "the trusted comment's timestamp is not a time: +5"},
        {"timestamp:5\tfile:a.zip\texpires:18446744073709551616",
         "the trusted comment's expiry is out of range: 18446744073709551616"},
        {"timestamp:99999999999999999999\tfile:a.zip",
         "the trusted comment's timestamp is out of range: 99999999999999999999"},
        {"timestamp:253402300799\tfile:a.zip", ""},
        {"timestamp:253402300800\tfile:a.zip", "the trusted comment's timestamp is out of range: 253402300800"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.comment);
        EXPECT_EQ(Failure([&] { ReadTrustedComment(c.comment); }), c.failure);
        if (*c.failure == '\0') {
            EXPECT_EQ(ReadTrustedComment(c.comment).Expires.value_or(-1), c.expires);
        }
    }
}

// The statement is read only as written, each field in its place; the program's own key changes likewise.
TEST_F(SignatureTest, KeyRotationStatementsReadBackOnlyAsWritten) {
    const TPublicKey newKey = ParsePublicKeys(otherTool.PublicKeyText()).front();
    const TRotationStatement statement{1700000000, ParsePublicKeys(tool.PublicKeyText()).front().Id, newKey, true};
    const std::string good = RotationStatementText(statement);
    EXPECT_EQ(RotationStatementText(ParseRotationStatement(good)), good);
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        return text.replace(text.find(from), from.size(), to);
    };
    const std::string oldId = "old: " + KeyIdText(statement.oldKey);
    const struct {
        std::string text;
        const char* failure;
    } cases[] = {
        {good.substr(0, good.size() - 1), ""},
        {good + "\n", "is not one this program reads"},
        {replaced("rotation 1", "rotation 2"), "is not one this program reads"},
        {replaced("timestamp: ", "timestamp: -"), "gives no time it was made"},
        {replaced("timestamp: ", "timestamp: 99999999999"), "gives no time it was made"},
        {replaced(oldId, "old: 0" + KeyIdText(statement.oldKey)), "names no old key"},
        {replaced(oldId, "old: " + KeyIdText(statement.oldKey) + "0"), "names no old key"},
        {replaced("new: RW", "new: RX"), "gives no new key"},
        {replaced("retire-old: yes", "retire-old: Yes"), "says neither yes nor no to retiring the old key"},
        {std::string(limits::kMaxRotationStatementBytes + 1, 'x'), "is larger than 1024 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Failure([&] { ParseRotationStatement(c.text); }),
                  *c.failure ? std::string("the key rotation statement ") + c.failure : "");
    }
    const TKeyChanges changes{1700000000, {newKey}, {statement.oldKey}};
    EXPECT_EQ(KeyChangesText(ParseKeyChanges(KeyChangesText(changes))), KeyChangesText(changes));
    EXPECT_EQ(Failure([&] { ParseKeyChanges(KeyChangesText(changes) + "trust: all\n"); }),
              "the program's own key changes are damaged at line 4");
}

TEST(CatalogueFreshness, ExpiryAndAgeCrossedByOneSecond) {
    const std::int64_t signedAt = 1700000000;
    const std::int64_t old = limits::kCatalogueOldAfterSeconds;
    struct Case {
        const char* what;
        std::optional<std::int64_t> expires;
        std::int64_t now;
        TFreshness freshness;
    } cases[] = {
        {"no expiry, at the age limit", std::nullopt, signedAt + old, TFreshness::Current},
        {"no expiry, a second past it", std::nullopt, signedAt + old + 1, TFreshness::Old},
        {"a second before its expiry", signedAt + 10, signedAt + 9, TFreshness::Current},
        {"at its expiry", signedAt + 10, signedAt + 10, TFreshness::Expired},
        {"expiry far ahead, old signature", signedAt + 2 * old, signedAt + old + 1, TFreshness::Current},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(JudgeFreshness(TSignedFacts{signedAt, "YEROMP3LiveUpdate.ini", c.expires}, c.now), c.freshness);
    }
    EXPECT_EQ(DaysSinceSigning(TSignedFacts{signedAt, "", {}}, signedAt + old + 1), 30);
    EXPECT_EQ(DaysSinceSigning(TSignedFacts{signedAt, "", {}}, signedAt - 5), 0);
    EXPECT_FALSE(SignedTooFarAhead(TSignedFacts{signedAt + limits::kMaxSignedAheadSeconds, "", {}}, signedAt));
    EXPECT_TRUE(SignedTooFarAhead(TSignedFacts{signedAt + limits::kMaxSignedAheadSeconds + 1, "", {}}, signedAt));
}

TEST_F(SignatureTest, KeyFiles) {
    const std::string name = "A_1.zip";
    const TTrustedKeys both = KeysFrom("# site keys\n" + tool.PublicKeyText() + "\n" + otherTool.PublicKeyText());
    EXPECT_TRUE(both.Configured());
    EXPECT_EQ(both.Keys().size(), 2u);
    EXPECT_EQ(Failure([&] { both.Verify("a", otherTool.Sign(name, "a"), name); }), "");

    EXPECT_FALSE(TTrustedKeys::FromFile((scratch.Path() / "none.pub").string(), false).Configured());
    struct Broken {
        TTrustedKeys keys;
        std::string problem;
    } broken[] = {
        {TTrustedKeys::FromFile((scratch.Path() / "none.pub").string(), true),
         "the trusted-key file " + (scratch.Path() / "none.pub").string() + " cannot be read"},
        {KeysFrom("untrusted comment: nothing follows\n"), "the trusted-key file holds no key"},
        {KeysFrom("RWQ-not-a-key\n"), "the trusted-key file holds a line that is not a minisign public key"},
    };
    for (const auto& b : broken) {
        // A key file that cannot be used fails every check instead of turning checking off.
        EXPECT_TRUE(b.keys.Configured());
        EXPECT_EQ(b.keys.Problem(), b.problem);
        EXPECT_EQ(Failure([&] { b.keys.Verify("a", tool.Sign(name, "a"), name); }), b.problem);
    }
}

TEST_F(SignatureTest, TheKeyFileComesFromTheEnvironment) {
    const std::string keyFile = (scratch.Path() / "site.pub").string();
    std::ofstream(keyFile) << tool.PublicKeyText();
    const std::string missing = (scratch.Path() / "none.pub").string();
    const yeroup::test::ScopedEnvironment trustedKeys("YEROUP_TRUSTED_KEYS", std::nullopt);
    struct Case {
        const char* what;
        const char* value;  // nullptr: not set
        std::string path, problem;
        bool mustExist;
    } cases[] = {
        {"not set", nullptr, "/etc/yeroup/trusted-keys.pub", "", false},
        {"empty", "", "/etc/yeroup/trusted-keys.pub", "", false},
        {"a key file", keyFile.c_str(), keyFile, "", true},
        {"a missing file", missing.c_str(), missing, "the trusted-key file " + missing + " cannot be read", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        trustedKeys.Set(c.value ? std::optional<std::string>(c.value) : std::nullopt);
        bool mustExist = !c.mustExist;
        EXPECT_EQ(TrustedKeyFileFromEnvironment(mustExist), c.path);
        EXPECT_EQ(mustExist, c.mustExist);
        // A file named in the environment is used, or fails every check; the default place is only read.
        if (c.mustExist) {
            const TTrustedKeys keys = TrustedKeysFromEnvironment();
            EXPECT_TRUE(keys.Configured());
            EXPECT_EQ(keys.Problem(), c.problem);
        }
    }
}

TEST_F(SignatureTest, SizeLimitsCrossedByOne) {
    const std::string name = "A_1.zip";
    const TTrustedKeys keys = KeysFrom(tool.PublicKeyText());
    // The longest comments minisign signs and verifies: 1,003 characters untrusted, 4,077 trusted.
    const std::string trusted = "timestamp:7\tfile:" + name + "\tpadding:";
    const std::string longest =
        tool.Sign(name, "a", trusted + std::string(4077 - trusted.size(), 'p'), false, std::string(1003, 'u'));
    ASSERT_EQ(static_cast<std::int64_t>(longest.size()), limits::kMaxSignatureFileBytes);
    EXPECT_TRUE(tool.Verifies("a", longest));
    EXPECT_EQ(Failure([&] { keys.Verify("a", longest, name); }), "");
    std::string oneMore = longest;
    oneMore.insert(oneMore.find('\n'), "u");
    EXPECT_EQ(Failure([&] { keys.Verify("a", oneMore, name); }),
              "the signature file is larger than " + std::to_string(limits::kMaxSignatureFileBytes) + " bytes");

    std::string keyFile = tool.PublicKeyText();
    keyFile +=
        "#" + std::string(static_cast<std::size_t>(limits::kMaxTrustedKeyFileBytes) - keyFile.size() - 2, '-') + "\n";
    ASSERT_EQ(static_cast<std::int64_t>(keyFile.size()), limits::kMaxTrustedKeyFileBytes);
    EXPECT_EQ(KeysFrom(keyFile).Problem(), "");
    EXPECT_NE(KeysFrom(keyFile + "\n").Problem().find("is larger than 65536 bytes"), std::string::npos);
}

// Secret keys that are refused before anything is derived from them; the keys minisign makes are signed with by
// the site tool's tests.
TEST_F(SignatureTest, SecretKeysRefusedSayWhy) {
    // A key file's line by hand: "Ed", the key derivation, "B2", a salt, scrypt's two limits, the secret part.
    const auto key = [](const std::string& kdf, std::uint64_t opsLimit, std::uint64_t memLimit) {
        std::vector<std::uint8_t> bytes{'E', 'd', static_cast<std::uint8_t>(kdf[0]), static_cast<std::uint8_t>(kdf[1]),
                                        'B', '2'};
        bytes.resize(38);
        for (const std::uint64_t limit : {opsLimit, memLimit})
            for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<std::uint8_t>(limit >> (8 * i)));
        bytes.resize(158);
        return "untrusted comment: by hand\n" + EncodeBase64(bytes.data(), bytes.size()) + "\n";
    };
    const std::uint64_t ops = 33554432, mem = 1073741824;  // what minisign asks: N = 2^20, r = 8, p = 1
    const std::string limit = "larger than the limit of " + std::to_string(limits::kMaxKeyDerivationBytes) + " bytes";
    const struct {
        const char* what;
        std::string text;
        std::string failure;
    } cases[] = {
        {"no key", "untrusted comment: a key\nRWQ=\n", "the secret key file is not in minisign's format"},
        {"a public key", tool.PublicKeyText(), "the secret key file is not in minisign's format"},
        {"another key derivation", key("Ar", ops, mem), "the secret key is encrypted with a method other than scrypt"},
        {"minisign's memory, twice its work (p = 2)", key("Sc", 2 * ops, mem),
         "the secret key asks for a key derivation (scrypt N=1048576, r=8, p=2) " + limit},
        {"twice minisign's memory (N = 2^21)", key("Sc", 2 * ops, 2 * mem),
         "the secret key asks for a key derivation (scrypt N=2097152, r=8, p=1) " + limit},
        {"a plain key whose parts do not go together", key(std::string(2, '\0'), 0, 0),
         "the secret key is damaged: its parts do not go together"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Failure([&] { ReadSecretKey(c.text, [] { return TSecretText("password"); }); }), c.failure);
    }
}

}  // namespace
}  // namespace yeroup::app::trust
