#include "app/forms/SplashForm.h"

#include <gtest/gtest.h>

#include <QPixmap>
#include <chrono>
#include <thread>

#include "app/core/Texts.h"
#include "tests/app/support/AppHarness.h"

using namespace yeroup::app;
using namespace yeroup::test;

namespace {
const std::string kCatalogue = "[A]\r\n1.0=x\r\n[B]\r\n1.0=y\r\n1.1=z\r\n";
}

TEST(SplashForm, LayoutAndVersionLabel) {
    AppHarness h;
    auto splash = h.MakeSplash();
    EXPECT_EQ(splash->size(), QSize(504, 275));
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash->Label2->text(), QStringLiteral("版本:1.126"));
    EXPECT_EQ(splash->Label2->geometry(), QRect(424, 8, 65, 13));
    EXPECT_EQ(splash->Image1->pixmap().size(), QSize(504, 275));
    EXPECT_EQ(splash->Timer1->interval(), 1000);
    EXPECT_TRUE(splash->InstallFolder.empty());
}

TEST(SplashForm, TimerRunsTheCheckOnceAndStopsFirst) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue);
    TForm1 splash(h.services);
    ASSERT_TRUE(splash.Timer1->isActive());
    ASSERT_TRUE(WaitUntil([&] { return !splash.Timer1->isActive(); }));
    EXPECT_EQ(splash.InstallFolder, h.player.Path().string());
    EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), kCatalogue);
    EXPECT_EQ(h.server.Requests(), std::vector<std::string>{kCataloguePath});
    EXPECT_TRUE(h.boxes.shown.empty());
    EXPECT_FALSE(splash.TerminateRequested());
}

TEST(SplashForm, MissingPlayerSoftwareEndsTheProgramWithoutNetworkAccess) {
    for (const int answer : {IDCANCEL, IDOK}) {
        AppHarness h;
        h.WriteRegistryWithoutKey();
        h.boxes.answers = {answer};
        auto splash = h.MakeSplash();
        splash->FormAc();
        EXPECT_TRUE(splash->TerminateRequested());
        ASSERT_EQ(h.boxes.shown.size(), 1u);
        EXPECT_EQ(h.boxes.shown[0].text, texts::kInstallPlayerFirst);
        EXPECT_EQ(h.boxes.shown[0].caption, "YERO MP3 LiveUpdate 提示");
        EXPECT_EQ(h.boxes.shown[0].flags, MB_OKCANCEL | MB_ICONWARNING);
        EXPECT_TRUE(h.boxes.shown[0].owned);
        EXPECT_TRUE(h.server.Requests().empty());
        if (answer == IDOK) {
            ASSERT_EQ(h.processes.started.size(), 1u);
            EXPECT_EQ(h.processes.started[0].kind, "WinExec");
            EXPECT_EQ(h.processes.started[0].file, "SigmaTelSetup.exe");
            EXPECT_EQ(h.processes.started[0].show, 0);
        } else {
            EXPECT_TRUE(h.processes.started.empty());
        }
    }
}

TEST(SplashForm, MissingInstallFolderValueLeavesItEmptyAndGoesOn) {
    AppHarness h;
    h.WriteRegistry("Other=1\n");
    h.ServeCatalogue(kCatalogue);
    auto splash = h.MakeSplash();
    splash->FormAc();
    EXPECT_TRUE(splash->InstallFolder.empty());
    EXPECT_FALSE(splash->TerminateRequested());
    EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), kCatalogue);
}

TEST(SplashForm, InstallFolderOfAnotherTypeIsShownAsErrorAndSkipsTheFetch) {
    AppHarness h;
    h.WriteRegistry("Install Folder=dword:00000001\n");
    h.ServeCatalogue(kCatalogue);
    TForm1 splash(h.services);
    ASSERT_TRUE(WaitUntil([&] { return !splash.Timer1->isActive(); }));
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text, "Invalid data type for 'Install Folder'.");
    EXPECT_EQ(h.boxes.shown[0].caption, "YEROUP");
    EXPECT_EQ(h.boxes.shown[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_TRUE(h.server.Requests().empty());
    EXPECT_FALSE(splash.TerminateRequested());
}

TEST(SplashForm, FailedFetchKeepsTheOlderCatalogueByteForByte) {
    AppHarness h;
    const std::string older = "[Old]\r\nV1=\xB9\xCC\r\n";
    WriteFile(h.services.Files.CatalogueFile(), older);
    // The host answers 404 for the catalogue.
    auto splash = h.MakeSplash();
    splash->FormAc();
    EXPECT_FALSE(splash->TerminateRequested());
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text, texts::kCatalogueKept);
    EXPECT_EQ(h.boxes.shown[0].caption, "下载配置文件时出错!");
    EXPECT_EQ(h.boxes.shown[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), older);
    EXPECT_EQ(h.server.Requests(), std::vector<std::string>{kCataloguePath});
}

TEST(SplashForm, FailedFetchWithoutCatalogueEndsTheProgram) {
    AppHarness h;
    // Nothing listens on the update host's port any more.
    TAppServices offline{h.boxes, h.processes, TAppFiles(h.exe.Slash(), "127.0.0.1:1"), h.services.RegistryFile};
    TForm1 splash(offline);
    splash.Timer1->stop();
    splash.FormAc();
    EXPECT_TRUE(splash.TerminateRequested());
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text, texts::kNoCatalogue);
    EXPECT_EQ(h.boxes.shown[0].caption, "无可用的配置文件!");
    EXPECT_EQ(h.boxes.shown[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_FALSE(std::filesystem::exists(h.services.Files.CatalogueFile()));
}

TEST(SplashForm, CatalogueThatCannotBeSavedRaisesWithoutFallbackMessages) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue);
    // A folder where the catalogue file should be cannot be replaced by a file.
    std::filesystem::create_directories(h.services.Files.CatalogueFile());
    TForm1 splash(h.services);
    ASSERT_TRUE(WaitUntil([&] { return !splash.Timer1->isActive(); }));
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text.rfind("Cannot create file \"" + h.services.Files.CatalogueFile() + "\". ", 0), 0u)
        << h.boxes.shown[0].text;
    EXPECT_EQ(h.boxes.shown[0].caption, "YEROUP");
    EXPECT_FALSE(splash.TerminateRequested());
}

TEST(SplashForm, CatalogueCutShortKeepsTheOlderCopy) {
    AppHarness h;
    const std::string older = "[Old]\r\nV1=1\r\n";
    WriteFile(h.services.Files.CatalogueFile(), older);
    h.ServeCatalogue(kCatalogue + std::string(5000, ';'));
    h.server.HoldAfter(kCataloguePath, 100);
    // The splash phase has no pump: the host cuts the body from its own side.
    std::thread cut([&] {
        while (!h.server.Holding()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        h.server.Drop();
    });
    auto splash = h.MakeSplash();
    splash->FormAc();
    cut.join();
    EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), older);
    EXPECT_EQ(h.boxes.Texts(), std::vector<std::string>{texts::kCatalogueKept});
    EXPECT_FALSE(splash->TerminateRequested());
}

TEST(SplashForm, BodyThatIsNoCatalogueCountsAsAFailedFetch) {
    const std::string login = "<html><body><form action=\"/login\">Wi-Fi login</form></body></html>";
    const std::string modelsOnly = "[A]\r\n[B]\r\n";
    for (const std::string& body : {login, modelsOnly, std::string()}) {
        for (const bool older : {true, false}) {
            AppHarness h;
            const std::string copy = "[Old]\r\nV1=1\r\n";
            if (older) WriteFile(h.services.Files.CatalogueFile(), copy);
            h.server.Serve(kCataloguePath, body);
            auto splash = h.MakeSplash();
            splash->FormAc();
            EXPECT_EQ(h.boxes.Texts(), std::vector<std::string>{older ? texts::kCatalogueKept : texts::kNoCatalogue})
                << body;
            EXPECT_EQ(splash->TerminateRequested(), !older);
            if (older)
                EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), copy);
            else
                EXPECT_FALSE(std::filesystem::exists(h.services.Files.CatalogueFile()));
        }
    }
}
