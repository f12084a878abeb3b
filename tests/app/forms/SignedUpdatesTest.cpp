// The catalogue and the packages with a trusted key configured, against real minisign signatures; and the
// same windows with no key, which ask for no signature at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app/core/Limits.h"
#include "app/core/Message.h"
#include "app/core/Texts.h"
#include "app/core/Trace.h"
#include "app/download/MirrorList.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "app/trust/KeyRotation.h"
#include "tests/app/support/AppHarness.h"
#include "tests/app/support/MinisignTool.h"
#include "tests/app/support/UpdateHostServer.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::app;
using namespace yeroup::test;

namespace {

const std::string kOld = "[A]\r\n1.0=x\r\n";
const std::string kNew = "[A]\r\n1.0=x\r\n1.1=y\r\n";
const std::string kCatalogueName = "YEROMP3LiveUpdate.ini";
const std::string kPackagePath = "/YEROMP3LiveUpdate/Firmware/A/A_1.0.zip";

std::string Stamped(std::int64_t timestamp, const std::string& name) {
    return "timestamp:" + std::to_string(timestamp) + "\tfile:" + name;
}

class SignedUpdates : public ::testing::Test {
protected:
    void Trust(AppHarness& h) {
        h.services.TrustedKeys = trust::TTrustedKeys::FromFile(tool.PublicKeyFile().string(), true);
    }
    std::string CatalogueSignatureFile(AppHarness& h) {
        return TAppFiles::SignatureOf(h.services.Files.CatalogueFile());
    }

    MinisignTool tool;
    MinisignTool stranger;
};

TEST_F(SignedUpdates, TheCatalogueIsTakenOnlyWithAGoodNewerSignature) {
    const std::string accepted = tool.Sign(kCatalogueName, kOld, Stamped(2000, kCatalogueName));
    const std::int64_t aheadOfNow = SystemUnixTime() + limits::kMaxSignedAheadSeconds + 60;  // a minute to run in
    struct Case {
        const char* what;
        std::string served;
        std::string signature;  // empty: none served
        bool taken;
        std::string stored = {};       // the signature accepted last, when not the usual one
        std::int64_t signedAhead = 0;  // refused as signed this far ahead: the box names the date
    } cases[] = {
        {"good and newer", kNew, tool.Sign(kCatalogueName, kNew, Stamped(3000, kCatalogueName)), true},
        {"same age", kNew, tool.Sign(kCatalogueName, kNew, Stamped(2000, kCatalogueName)), true},
        {"missing signature", kNew, "", false},
        {"tampered catalogue", kNew + "[X]\r\n", tool.Sign(kCatalogueName, kNew, Stamped(3000, kCatalogueName)), false},
        {"other key", kNew, stranger.Sign(kCatalogueName, kNew, Stamped(3000, kCatalogueName)), false},
        {"other file", kNew, tool.Sign("user.ini", kNew, Stamped(3000, "user.ini")), false},
        {"rollback", kNew, tool.Sign(kCatalogueName, kNew, Stamped(1000, kCatalogueName)), false},
        {"oversized", kNew, std::string(static_cast<std::size_t>(limits::kMaxSignatureFileBytes) + 1, 'x'), false},
        {"signed past the margin ahead of the clock",
         kNew,
         tool.Sign(kCatalogueName, kNew, Stamped(aheadOfNow + 1, kCatalogueName)),
         false,
         {},
         aheadOfNow + 1},
        {"signed within the margin ahead of the clock", kNew,
         tool.Sign(kCatalogueName, kNew, Stamped(aheadOfNow - 60, kCatalogueName)), true},
        // A catalogue from the future taken before it was refused locks nothing out.
        {"after one from the future", kNew, tool.Sign(kCatalogueName, kNew, Stamped(3000, kCatalogueName)), true,
         tool.Sign(kCatalogueName, kOld, Stamped(aheadOfNow + 1, kCatalogueName))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppHarness h;
        Trust(h);
        h.ServeCatalogue(kOld, true);
        const std::string stored = c.stored.empty() ? accepted : c.stored;
        WriteFile(CatalogueSignatureFile(h), stored);
        h.server.Serve(kCataloguePath, c.served);
        if (!c.signature.empty()) h.server.Serve(std::string(kCataloguePath) + ".minisig", c.signature);
        auto splash = h.MakeSplash();
        splash->FormAc();
        EXPECT_FALSE(splash->TerminateRequested());
        EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), c.taken ? c.served : kOld);
        EXPECT_EQ(ReadFile(CatalogueSignatureFile(h)), c.taken ? c.signature : stored);
        if (c.taken) {
            EXPECT_TRUE(h.boxes.shown.empty());
        } else {
            ASSERT_EQ(h.boxes.shown.size(), 1u);
            const std::string ahead =
                c.signedAhead ? "\r" + Format(texts::kCatalogueSignedAhead, {UtcTimeText(c.signedAhead)}) : "";
            EXPECT_EQ(h.boxes.shown[0].text, texts::kCatalogueNotVerifiedKept + ahead);
        }
    }
}

// A catalogue past the expiry its operator signed is a frozen copy: refused, and the copy held stays. The
// expiry is crossed by one second, with and without a copy to fall back on.
TEST_F(SignedUpdates, AnExpiredCatalogueIsRefusedWithTheOldCopyKept) {
    const std::int64_t now = 1767225600;  // 2026-01-01T00:00:00Z
    const std::string accepted = tool.Sign(kCatalogueName, kOld, Stamped(2000, kCatalogueName));
    const auto expiring = [&](std::int64_t expires) {
        return tool.Sign(
            kCatalogueName, kNew,
            Stamped(static_cast<int>(now - 3600), kCatalogueName) + "\texpires:" + std::to_string(expires));
    };
    struct Case {
        const char* what;
        std::string signature;
        bool stored;
        bool taken;
        const char* message;  // none when taken
    } cases[] = {
        {"a second before its expiry", expiring(now + 1), true, true, nullptr},
        {"at its expiry", expiring(now), true, false, texts::kCatalogueNotVerifiedKept},
        {"at its expiry, none stored", expiring(now), false, false, texts::kCatalogueNotVerifiedNone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppHarness h;
        Trust(h);
        h.services.UnixTime = [&] { return now; };
        h.services.Trace = TTrace((h.exe.Path() / "trace.log").string());
        h.ServeCatalogue(kOld, c.stored);
        if (c.stored) WriteFile(CatalogueSignatureFile(h), accepted);
        h.server.Serve(kCataloguePath, kNew);
        h.server.Serve(std::string(kCataloguePath) + ".minisig", c.signature);
        auto splash = h.MakeSplash();
        splash->FormAc();
        EXPECT_EQ(splash->TerminateRequested(), !c.taken && !c.stored);
        if (c.taken) {
            EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), kNew);
            EXPECT_TRUE(h.boxes.shown.empty());
            continue;
        }
        EXPECT_EQ(std::filesystem::exists(h.services.Files.CatalogueFile()), c.stored);
        if (c.stored) {
            EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), kOld);
            EXPECT_EQ(ReadFile(CatalogueSignatureFile(h)), accepted);
        }
        ASSERT_EQ(h.boxes.shown.size(), 1u);
        EXPECT_EQ(h.boxes.shown[0].text, c.message);
        EXPECT_NE(ReadFile(h.exe.Path() / "trace.log")
                      .find("the fetched catalogue expired at 2026-01-01T00:00:00Z (signed at 2025-12-31T23:00:00Z)"),
                  std::string::npos);
    }
}

// Without an expiry of its own, a catalogue signed more than the limit ago is used, with a notice in the top
// panel in place of the prompt to choose (no message box).
TEST_F(SignedUpdates, AnOldCatalogueIsUsedWithANoticeInTheMainWindow) {
    const std::int64_t signedAt = 1767268800;  // 2026-01-01T12:00:00Z, that day in any time zone
    const std::int64_t limit = limits::kCatalogueOldAfterSeconds;
    struct Case {
        const char* what;
        std::string comment;
        std::int64_t now;
        QString notice;  // empty: none
    } cases[] = {
        {"at the age limit", Stamped(static_cast<int>(signedAt), kCatalogueName), signedAt + limit, ""},
        {"a second past it", Stamped(static_cast<int>(signedAt), kCatalogueName), signedAt + limit + 1,
         "固件列表已有30天未更新"},
        {"kept past its expiry",
         Stamped(static_cast<int>(signedAt), kCatalogueName) + "\texpires:" + std::to_string(signedAt + 86400),
         signedAt + 2 * 86400, "固件列表已有2天未更新"},
        {"unsigned file beside it", "", signedAt + 2 * limit, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppHarness h;
        Trust(h);
        h.services.UnixTime = [&] { return c.now; };
        h.ServeCatalogue(kOld, true);
        WriteFile(CatalogueSignatureFile(h),
                  c.comment.empty() ? "not a signature" : tool.Sign(kCatalogueName, kOld, c.comment));
        TForm2& form = h.MakeMain();
        EXPECT_EQ(form.CatalogueAgeLabel->isHidden(), c.notice.isEmpty());
        EXPECT_EQ(form.Label13->isHidden(), !c.notice.isEmpty());
        if (!c.notice.isEmpty()) {
            EXPECT_EQ(form.CatalogueAgeLabel->text(), c.notice);
            EXPECT_TRUE(form.CatalogueAgeLabel->toolTip().contains("2026-01-01"));
        }
        EXPECT_TRUE(h.boxes.shown.empty());
    }
}

TEST_F(SignedUpdates, APackageIsStoredOnlyWithAGoodSignatureNamingIt) {
    const std::string package = "PK\3\4" + std::string(300000, 'p');
    const std::string stored = "PK\3\4 the package stored before";
    struct Case {
        const char* what;
        std::string signature;  // empty: none served
        bool taken;
    } cases[] = {
        {"good", tool.Sign("A_1.0.zip", package), true},
        {"missing", "", false},
        {"tampered", tool.Sign("A_1.0.zip", package + "!"), false},
        {"renamed", tool.Sign("A_0.9.zip", package), false},
        {"other key", stranger.Sign("A_1.0.zip", package), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppHarness h;
        Trust(h);
        h.ServeCatalogue(kOld, true);
        h.ServePackage("A", "1.0", package);
        if (!c.signature.empty()) h.server.Serve(kPackagePath + std::string(".minisig"), c.signature);
        const std::string file = h.services.Files.PackageFile("A", "1.0");
        std::filesystem::create_directories(h.services.Files.PackageStore());
        WriteFile(file, stored);
        TForm2& form = h.MakeMain();
        form.Button1->click();
        EXPECT_EQ(ReadFile(file), c.taken ? package : stored);
        EXPECT_EQ(std::filesystem::exists(TAppFiles::SignatureOf(file)), c.taken);
        if (c.taken) {
            EXPECT_EQ(ReadFile(TAppFiles::SignatureOf(file)), c.signature);
            EXPECT_TRUE(h.boxes.shown.empty());
        } else {
            ASSERT_EQ(h.boxes.shown.size(), 1u);
            // A signature that could not be fetched is no refusal: the body is kept whole, not yet verified.
            EXPECT_EQ(h.boxes.shown[0].text,
                      c.signature.empty() ? texts::kSignatureNotFetched : texts::kPackageNotVerified);
            EXPECT_EQ(h.boxes.shown[0].caption, texts::kDownloadFailedCaption);
        }
        EXPECT_TRUE(form.Button3->isHidden());
        EXPECT_TRUE(form.ComboBox1->isEnabled());
        if (!c.signature.empty()) continue;
        // The next press fetches only the signature.
        const std::string signature = tool.Sign("A_1.0.zip", package);
        h.server.Serve(kPackagePath + std::string(".minisig"), signature);
        form.Button1->click();
        EXPECT_EQ(ReadFile(file), package);
        EXPECT_EQ(ReadFile(TAppFiles::SignatureOf(file)), signature);
        const std::vector<std::string> requests = h.server.Requests();
        EXPECT_EQ(std::count(requests.begin(), requests.end(), kPackagePath), 1);
    }
}

// The mirror list taken with the catalogue serves when the user's host fails the package: the mirror's bytes are
// verified, the panel names the host serving, and a list that fails its signature is ignored.
TEST_F(SignedUpdates, TheSignedMirrorListServesThePackageWhenTheHostFails) {
    const std::string package = "PK\3\4" + std::string(300000, 'm');
    for (const bool signedByUs : {true, false}) {
        SCOPED_TRACE(signedByUs ? "signed" : "signed by a stranger");
        AppHarness h;
        Trust(h);
        UpdateHostServer mirror;
        const std::string list = MirrorListText({mirror.Host()});
        const std::string listPath = TAppFiles::MirrorListPath();
        const std::string signature = (signedByUs ? tool : stranger).Sign("mirrors.txt", list);
        h.ServeCatalogue(kOld);
        h.server.Serve(std::string(kCataloguePath) + ".minisig", tool.Sign(kCatalogueName, kOld));
        h.server.Serve(listPath, list);
        h.server.Serve(listPath + ".minisig", signature);
        h.server.Serve(kPackagePath, "busy", UpdateHostServer::Framing::Length, 503);
        mirror.Serve(kPackagePath, package);
        mirror.Serve(kPackagePath + std::string(".minisig"), tool.Sign("A_1.0.zip", package));
        const TTrace trace(h.exe / "trace.log");
        h.services.Trace = trace;
        h.MakeSplash()->FormAc();
        TForm2& form = h.MakeMain();
        form.Button1->click();
        const std::string file = h.services.Files.PackageFile("A", "1.0");
        EXPECT_EQ(std::filesystem::exists(file), signedByUs);
        const std::string lines = ReadFile(trace.File());
        EXPECT_EQ(lines.find("the mirror list is ignored") == std::string::npos, signedByUs) << lines;
        if (!signedByUs) continue;
        EXPECT_EQ(ReadFile(file), package);
        EXPECT_EQ(form.HostLabel->text().toStdString(), Format(texts::kServingHost, {"http://" + mirror.Host()}));
        EXPECT_NE(lines.find("leaving http://" + h.server.Host() + " for http://" + mirror.Host()), std::string::npos)
            << lines;
    }
}

TEST_F(SignedUpdates, AStoredPackageIsCheckedAgainBeforeItIsExtracted) {
    for (const bool changed : {false, true}) {
        SCOPED_TRACE(changed ? "changed on disk" : "as stored");
        AppHarness h;
        Trust(h);
        h.ServeCatalogue(kOld, true);
        ScratchFolder stage;
        WriteFile(stage.Path() / "firmware.sb", "FIRMWARE");
        std::filesystem::create_directories(h.services.Files.PackageStore());
        const std::string file = h.services.Files.PackageFile("A", "1.0");
        ASSERT_EQ(std::system(("cd '" + stage.Path().string() + "' && zip -q -X '" + file + "' firmware.sb").c_str()),
                  0);
        WriteFile(TAppFiles::SignatureOf(file), tool.Sign("A_1.0.zip", ReadFile(file)));
        if (changed) WriteFile(file, ReadFile(file) + "appended");
        TForm2& form = h.MakeMain();
        h.boxes.answers = {IDCANCEL};
        form.Button2->click();
        ASSERT_EQ(h.boxes.shown.size(), 1u);
        EXPECT_EQ(h.boxes.shown[0].text, changed ? texts::kStoredPackageNotVerified : texts::kConnectPlayer);
        EXPECT_EQ(std::filesystem::exists(h.player.Path() / "firmware.sb"), !changed);
        EXPECT_TRUE(h.processes.started.empty());
    }
}

TEST_F(SignedUpdates, WithNoKeyNoSignatureIsAskedFor) {
    AppHarness h;
    h.ServeCatalogue(kNew);
    h.ServePackage("A", "1.0", "PK\3\4 unsigned");
    auto splash = h.MakeSplash();
    splash->FormAc();
    EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), kNew);
    TForm2& form = h.MakeMain();
    form.Button1->click();
    EXPECT_EQ(ReadFile(h.services.Files.PackageFile("A", "1.0")), "PK\3\4 unsigned");
    EXPECT_TRUE(h.boxes.shown.empty());
    for (const auto& request : h.server.Requests()) EXPECT_EQ(request.find(".minisig"), std::string::npos) << request;
    EXPECT_FALSE(std::filesystem::exists(CatalogueSignatureFile(h)));
}

}  // namespace

// A site moves from key A to key B with a rotation statement signed by both, made and signed by the real minisign.
// The program trusts only A (the system's key file, never written); it takes the statement into its own key set,
// then B's catalogue; once A is retired, A's catalogue is refused. A replayed older statement, one signed by a key
// it does not trust and one retiring the only key left are refused, each told in the trace.
TEST_F(SignedUpdates, ASigningKeyRotatesFromAToBByAStatementBothSign) {
    const MinisignTool& a = tool;
    MinisignTool b;
    const auto key = [](const MinisignTool& t) { return trust::ParsePublicKeys(t.PublicKeyText()).front(); };
    const std::string name = "key-rotation.txt";
    const auto statement = [&](std::int64_t at, const MinisignTool& from, const MinisignTool& to, bool retire) {
        const std::string text = trust::RotationStatementText({at, key(from).Id, key(to), retire});
        return std::vector<std::string>{text, from.Sign(name, text), to.Sign(name, text)};
    };
    AppHarness h;
    Trust(h);
    h.services.Trace = TTrace((h.exe.Path() / "trace.log").string());
    const std::string systemKeys = ReadFile(a.PublicKeyFile());
    h.ServeCatalogue(kOld, true);
    WriteFile(CatalogueSignatureFile(h), a.Sign(kCatalogueName, kOld, Stamped(2000, kCatalogueName)));
    const auto refresh = [&](const std::string& catalogue, const MinisignTool& signer, int signedAt,
                             const std::vector<std::string>& served) {
        h.server.Serve(kCataloguePath, catalogue);
        h.server.Serve(std::string(kCataloguePath) + ".minisig",
                       signer.Sign(kCatalogueName, catalogue, Stamped(signedAt, kCatalogueName)));
        const std::string path = TAppFiles::RotationPath();
        const std::vector<std::string> none{"", "", ""};
        const std::vector<std::string>& s = served.empty() ? none : served;
        h.server.Serve(path, s[0], UpdateHostServer::Framing::Length, served.empty() ? 404 : 200);
        h.server.Serve(path + ".minisig", s[1]);
        h.server.Serve(path + ".new.minisig", s[2]);
        h.MakeSplash()->FormAc();
        return ReadFile(h.services.Files.CatalogueFile()) == catalogue;
    };
    const auto traced = [&](const std::string& text) {
        const std::string trace = ReadFile(h.exe.Path() / "trace.log");
        return trace.find(text) != std::string::npos ? ::testing::AssertionSuccess()
                                                     : ::testing::AssertionFailure() << trace;
    };
    const std::string rotation = "the key rotation statement ";

    EXPECT_FALSE(refresh(kNew, b, 3000, {})) << "B is not trusted before the statement";
    const auto aToB = statement(100, a, b, false);
    EXPECT_TRUE(refresh(kNew, b, 3000, aToB)) << "B's catalogue, after the statement";
    EXPECT_TRUE(
        traced(rotation + "of 1970-01-01T00:01:40Z is taken: key " + trust::KeyIdText(key(b).Id) + " is trusted"));
    EXPECT_TRUE(refresh(kOld, a, 3500, aToB)) << "A is still trusted, until retired";

    EXPECT_FALSE(refresh(kNew, a, 4000, statement(200, a, b, true))) << "A's catalogue, once A is retired";
    EXPECT_TRUE(traced(", key " + trust::KeyIdText(key(a).Id) + " retired"));
    EXPECT_TRUE(refresh(kNew, b, 4000, {}));

    EXPECT_TRUE(refresh(kOld, b, 5000, aToB));  // A is no longer trusted: its statement is refused
    EXPECT_TRUE(traced(rotation + "is signed by a key this program does not trust (key id " +
                       trust::KeyIdText(key(a).Id) + ")"));
    EXPECT_TRUE(refresh(kNew, b, 6000, statement(150, b, a, false)));
    EXPECT_TRUE(traced(rotation + "is older than the one taken last: it is a replay"));
    EXPECT_TRUE(refresh(kOld, b, 7000, statement(300, stranger, b, false)));
    EXPECT_TRUE(traced(rotation + "is signed by a key this program does not trust (key id " +
                       trust::KeyIdText(key(stranger).Id) + ")"));
    EXPECT_TRUE(refresh(kNew, b, 8000, statement(400, b, b, true)));
    EXPECT_TRUE(traced(rotation + "would retire the only key left"));
    EXPECT_FALSE(refresh(kOld, a, 9000, {})) << "A stays retired";
    EXPECT_EQ(ReadFile(a.PublicKeyFile()), systemKeys);
}
