#include "app/Startup.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "tests/app/support/AppHarness.h"

using namespace yeroup::app;
using namespace yeroup::test;

TEST(Startup, SecondCopyIsWarnedAndEnds) {
    ScratchFolder locks;
    FakeMessageBoxes boxes;
    auto first = SingleInstanceGuard(boxes, locks.Path());
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(SingleInstanceGuard(boxes, locks.Path()), nullptr);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text,
              "Another instance of this program is already running.\rPlease wait for the other instance to finish "
              "and then try again.");
    EXPECT_EQ(boxes.shown[0].caption, "Tavik MP3 LiveUpdate");
    EXPECT_EQ(boxes.shown[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_FALSE(boxes.shown[0].owned);
    first.reset();
    EXPECT_NE(SingleInstanceGuard(boxes, locks.Path()), nullptr);
}

TEST(Startup, TerminationDuringTheSplashPhaseCreatesNoMainWindow) {
    AppHarness h;
    h.WriteRegistryWithoutKey();
    h.boxes.answers = {IDCANCEL};
    bool mainShown = false;
    TStartupHooks hooks;
    hooks.mainWindowShown = [&](TForm1&, TForm2&) { mainShown = true; };
    EXPECT_EQ(RunStartup(h.services, hooks), 0);
    EXPECT_FALSE(mainShown);
    EXPECT_EQ(h.boxes.Texts(), std::vector<std::string>{texts::kInstallPlayerFirst});
    EXPECT_TRUE(h.server.Requests().empty());
}

TEST(Startup, SplashChecksThenMainWindowUntilItCloses) {
    AppHarness h;
    h.ServeCatalogue("[A]\r\n1.0=x\r\n");
    bool splashHidden = false, mainVisible = false;
    std::string installFolder;
    TStartupHooks hooks;
    hooks.mainWindowShown = [&](TForm1& splash, TForm2& form) {
        splashHidden = splash.isHidden();
        mainVisible = form.isVisible();
        installFolder = splash.InstallFolder;
        QTimer::singleShot(0, &form, [&form] { form.close(); });
    };
    EXPECT_EQ(RunStartup(h.services, hooks), 0);
    EXPECT_TRUE(splashHidden);
    EXPECT_TRUE(mainVisible);
    EXPECT_EQ(installFolder, h.player.Path().string());
    EXPECT_EQ(ReadFile(h.services.Files.CatalogueFile()), "[A]\r\n1.0=x\r\n");
    EXPECT_EQ(ReadFile(h.services.Files.SelectionFile()), "[Main02]\r\nComboBox1=0\r\nComboBox2=0\r\n");
    EXPECT_TRUE(h.boxes.shown.empty());
}
