// When a program of the player software cannot be started, the user is told why instead of nothing happening.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "tests/app/support/AppHarness.h"

using namespace yeroup::app;
using namespace yeroup::test;
using yeroup::platform::TStartResult;

namespace {

// The text shown for each way a start can go.
const struct {
    TStartResult result;
    bool shown;
    bool wine;  // the text asks for Wine rather than naming the program's place
} kResults[] = {
    {TStartResult::Started, false, false},
    {TStartResult::NotFound, true, false},
    {TStartResult::Failed, true, false},
    {TStartResult::NoWine, true, true},
};

}  // namespace

TEST(StartFailure, SetupProgramThatCannotStartIsReportedBeforeTheProgramEnds) {
    for (const auto& c : kResults) {
        AppHarness h;
        h.WriteRegistryWithoutKey();
        h.processes.result = c.result;
        auto splash = h.MakeSplash();
        splash->FormAc();
        EXPECT_TRUE(splash->TerminateRequested());
        ASSERT_EQ(h.boxes.shown.size(), c.shown ? 2u : 1u);
        if (!c.shown) continue;
        const ShownBox& box = h.boxes.shown[1];
        EXPECT_EQ(box.text, c.wine ? std::string(texts::kNoWine)
                                   : Format(texts::kSetupNotStarted, {h.services.Files.ExeFolder()}));
        EXPECT_EQ(box.caption, texts::kHintCaption);
        EXPECT_EQ(box.flags, MB_OK | MB_ICONERROR);
        EXPECT_TRUE(box.owned);
    }
}

TEST(StartFailure, UpdaterThatCannotStartIsReportedAfterTheQuestion) {
    for (const auto& c : kResults) {
        AppHarness h;
        h.ServeCatalogue("[A]\r\n1.0=x\r\n", true);
        ScratchFolder stage;
        WriteFile(stage.Path() / "firmware.sb", "FIRMWARE");
        std::filesystem::create_directories(h.services.Files.PackageStore());
        const std::string zip = h.services.Files.PackageFile("A", "1.0");
        ASSERT_EQ(std::system(("cd '" + stage.Path().string() + "' && zip -q -X '" + zip + "' firmware.sb").c_str()),
                  0);
        TForm2& form = h.MakeMain();
        h.processes.result = c.result;
        form.Button2->click();
        ASSERT_EQ(h.processes.started.size(), 1u);
        ASSERT_EQ(h.boxes.shown.size(), c.shown ? 2u : 1u);
        EXPECT_EQ(h.boxes.shown[0].text, texts::kConnectPlayer);
        if (!c.shown) continue;
        const ShownBox& box = h.boxes.shown[1];
        EXPECT_EQ(box.text, c.wine ? std::string(texts::kNoWine)
                                   : Format(texts::kUpdaterNotStarted, {h.processes.started[0].file}));
        EXPECT_EQ(box.flags, MB_OK | MB_ICONERROR);
        EXPECT_TRUE(box.owned);
    }
}
