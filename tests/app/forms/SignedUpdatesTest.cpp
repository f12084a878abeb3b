// The catalogue and the packages with a trusted key configured, against real minisign signatures; and the
// same windows with no key, which ask for no signature at all.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/core/Limits.h"
#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "tests/app/support/AppHarness.h"
#include "tests/app/support/MinisignTool.h"

using namespace yeroup::app;
using namespace yeroup::test;

namespace {

const std::string kOld = "[A]\r\n1.0=x\r\n";
const std::string kNew = "[A]\r\n1.0=x\r\n1.1=y\r\n";
const std::string kCatalogueName = "YEROMP3LiveUpdate.ini";
const std::string kPackagePath = "/YEROMP3LiveUpdate/Firmware/A/A_1.0.zip";

std::string Stamped(int timestamp, const std::string& name) {
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
    struct Case {
        const char* what;
        std::string served;
        std::string signature;  // empty: none served
        bool taken;
    } cases[] = {
        {"good and newer", kNew, tool.Sign(kCatalogueName, kNew, Stamped(3000, kCatalogueName)), true},
        {"same age", kNew, tool.Sign(kCatalogueName, kNew, Stamped(2000, kCatalogueName)), true},
        {"missing signature", kNew, "", false},
        {"tampered catalogue", kNew + "[X]\r\n", tool.Sign(kCatalogueName, kNew, Stamped(3000, kCatalogueName)), false},
        {"other key", kNew, stranger.Sign(kCatalogueName, kNew, Stamped(3000, kCatalogueName)), false},
        {"other file", kNew, tool.Sign("user.ini", kNew, Stamped(3000, "user.ini")), false},
        {"rollback", kNew, tool.Sign(kCatalogueName, kNew, Stamped(1000, kCatalogueName)), false},
        {"oversized", kNew, std::string(static_cast<std::size_t>(limits::kMaxSignatureFileBytes) + 1, 'x'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppHarness h;
        Trust(h);
        h.ServeCatalogue(kOld, true);
        WriteFile(CatalogueSignatureFile(h), accepted);
        h.server.Serve(kCataloguePath, c.served);
        if (!c.signature.empty()) h.server.Serve(std::string(kCataloguePath) + ".minisig", c.signature);
        auto splash = h.MakeSplash();
        splash->FormAc();
        EXPECT_FALSE(splash->TerminateRequested());
        EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), c.taken ? c.served : kOld);
        EXPECT_EQ(ReadFile(CatalogueSignatureFile(h)), c.taken ? c.signature : accepted);
        if (c.taken) {
            EXPECT_TRUE(h.boxes.shown.empty());
        } else {
            ASSERT_EQ(h.boxes.shown.size(), 1u);
            EXPECT_EQ(h.boxes.shown[0].text, texts::kCatalogueKept);
        }
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
            EXPECT_EQ(h.boxes.shown[0].text, texts::kPackageNotVerified);
            EXPECT_EQ(h.boxes.shown[0].caption, texts::kDownloadFailedCaption);
        }
        EXPECT_TRUE(form.Button3->isHidden());
        EXPECT_TRUE(form.ComboBox1->isEnabled());
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
