// The history after real upgrades through the main window: a finished one, one refused for a damaged package and one
// rolled back for a file that cannot be written, as the History window (Ctrl+H) and `yeroup --history` show them;
// a damaged line is skipped and the rest still shown; one a killed run left is settled by the next start.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "app/CommandLine.h"
#include "app/Startup.h"
#include "app/core/Texts.h"
#include "app/forms/HistoryForm.h"
#include "app/forms/MainForm.h"
#include "app/ui/Translation.h"
#include "app/upgrade/UpgradeJournal.h"
#include "tests/app/support/AppHarness.h"

using namespace yeroup::app;
using namespace yeroup::test;
using namespace std::string_literals;

namespace {

constexpr std::int64_t kNow = 1796774401;  // 2026-12-09T00:00:01Z

// The stored package for A 1.0, made with Info-ZIP's zip.
void StorePackage(AppHarness& h) {
    ScratchFolder stage;
    WriteFile(stage.Path() / "stupdaterapp.exe", "#!/bin/sh\nexit 0\n");
    WriteFile(stage.Path() / "firmware.sb", "FIRMWARE-IMAGE");
    std::filesystem::create_directories(h.services.Files.PackageStore());
    const std::string command =
        "cd '" + stage.Path().string() + "' && zip -q -r -X '" + h.services.Files.PackageFile("A", "1.0") + "' .";
    ASSERT_EQ(std::system(command.c_str()), 0);
}

// Ctrl+H wherever the focus is in the main window.
THistoryForm* OpenHistory(TForm2& form) {
    form.show();
    QApplication::setActiveWindow(&form);
    form.ComboBox2->setFocus();
    QTest::keyClick(form.ComboBox2, Qt::Key_H, Qt::ControlModifier);
    auto* history = form.findChild<THistoryForm*>();
    if (history) {
        EXPECT_TRUE(WaitUntil([&] { return history->isVisible(); }));
    }
    return history;
}

// Escape closes it, and it is gone.
void CloseHistory(TForm2& form, THistoryForm* history) {
    QTest::keyClick(history, Qt::Key_Escape);
    EXPECT_TRUE(WaitUntil([&] { return form.findChild<THistoryForm*>() == nullptr; }));
}

std::vector<std::string> Column(const QTableWidget& table, int column) {
    std::vector<std::string> cells;
    for (int row = 0; row < table.rowCount(); ++row) cells.push_back(table.item(row, column)->text().toStdString());
    return cells;
}

}  // namespace

TEST(UpgradeHistoryWindow, AFinishedARefusedAndARolledBackUpgradeAreShownAndPrinted) {
    AppHarness h;
    h.services.UnixTime = [] { return kNow; };
    h.ServeCatalogue("[A]\r\n1.0=x\r\n", true);
    TForm2& form = h.MakeMain();
    const std::string file = h.services.Files.HistoryFile();
    EXPECT_EQ(HistoryReport(file).output.toStdString(), "No upgrade has been recorded yet.\n");
    THistoryForm* empty = OpenHistory(form);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->NoteLabel->text(), QTr(texts::kHistoryEmpty));
    EXPECT_TRUE(empty->Table->isHidden());
    CloseHistory(form, empty);

    StorePackage(h);
    form.Button2->click();  // finished: the user connects the player and the updater starts
    std::filesystem::remove_all(h.player.Path() / "firmware.sb");
    WriteFile(h.services.Files.PackageFile("A", "1.0"), "<html>404 page saved by a proxy</html>");
    form.ShowHidP3();
    form.Button2->click();  // refused: not an archive
    StorePackage(h);
    std::filesystem::create_directories(h.player.Path() / "firmware.sb");
    h.boxes.answers = {IDIGNORE};
    form.Button2->click();  // rolled back: a folder where a file goes

    THistoryForm* shown = OpenHistory(form);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->NoteLabel->isHidden());
    EXPECT_EQ(Column(*shown->Table, 0), std::vector<std::string>(3, "2026-12-09T00:00:01Z"));
    EXPECT_EQ(Column(*shown->Table, 2), (std::vector<std::string>{"", "1.0", "1.0"}));  // before: the last finished
    EXPECT_EQ(Column(*shown->Table, 4), (std::vector<std::string>{QTr(texts::kHistoryFinished).toStdString(),
                                                                  QTr(texts::kHistoryRefused).toStdString(),
                                                                  QTr(texts::kHistoryRolledBack).toStdString()}));
    EXPECT_EQ(Column(*shown->Table, 5)[1].rfind("the package is damaged: ", 0), 0U);
    EXPECT_EQ(Column(*shown->Table, 6)[0].size(), 64U);
    EXPECT_EQ(shown->Table->horizontalHeaderItem(1)->text(), QTr(texts::kModelListName));
    EXPECT_EQ(shown->focusWidget(), shown->Table);
    EXPECT_EQ(shown->Table->currentRow(), 2);
    CloseHistory(form, shown);

    const std::vector<std::string> lines = [&] {
        std::vector<std::string> split;
        for (const QString& line : HistoryReport(file).output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            split.push_back(line.toStdString());
        return split;
    }();
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(lines[0].rfind("TIME (UTC)            OUTCOME      MODEL  BEFORE  AFTER  PACKAGE SHA-256", 0), 0U)
        << lines[0];
    for (const auto& [line, outcome] : {std::pair{1, "finished   "}, {2, "refused    "}, {3, "rolled-back"}})
        EXPECT_EQ(lines[static_cast<std::size_t>(line)].rfind("2026-12-09T00:00:01Z  "s + outcome + "  A      ", 0), 0U)
            << lines[static_cast<std::size_t>(line)];

    // A byte of the second upgrade's line damaged: that line alone is lost.
    std::string bytes = ReadFile(file);
    bytes[bytes.find("refused") + 2] ^= 0x20;
    WriteFile(file, bytes);
    const QString report = HistoryReport(file).output;
    EXPECT_TRUE(report.contains(QStringLiteral("finished"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("rolled-back")));
    EXPECT_FALSE(report.contains(QStringLiteral("refused")));
    EXPECT_TRUE(report.endsWith(QStringLiteral("1 damaged line(s) of the history were skipped.\n")));
    THistoryForm* damaged = OpenHistory(form);
    ASSERT_NE(damaged, nullptr);
    EXPECT_EQ(damaged->Table->rowCount(), 2);
}

// A run killed during an upgrade leaves its entry under way and its journal; the next start settles both alike.
TEST(UpgradeHistoryWindow, AnUpgradeAKilledRunLeftEndsInTheHistoryAsTheNextStartSettledIt) {
    using namespace yeroup::app::upgrade;
    const struct {
        TUpgradePhase phase;
        THistoryOutcome outcome;
        const char* reason;
    } cases[] = {
        {TUpgradePhase::Staging, THistoryOutcome::RolledBack,
         "rolled back after the program ended during it: interrupted while extracting; nothing was replaced"},
        {TUpgradePhase::Done, THistoryOutcome::Finished,
         "finished after the program ended during it: interrupted while cleaning up"},
    };
    for (const auto& c : cases) {
        AppHarness h;
        h.ServeCatalogue("[A]\r\n1.0=x\r\n", true);
        const std::string file = h.services.Files.HistoryFile();
        RecordInHistory(file, {kNow, THistoryOutcome::UnderWay, "A", "", "1.0", "", ""});
        std::filesystem::create_directories(h.services.Files.PackageStore());
        WriteJournal(TUpgradePaths(h.services.Files.PackageStore()).journal,
                     {c.phase, h.player.Path(), TUpgradePaths::StagingFor(h.player.Path()), 0, 0});
        TStartupHooks hooks;
        hooks.mainWindowShown = [](TForm1&, TForm2& form) { QTimer::singleShot(0, &form, [&form] { form.close(); }); };
        EXPECT_EQ(RunStartup(h.services, hooks), 0);
        const THistory history = ReadHistory(file);
        ASSERT_EQ(history.entries.size(), 1U);
        EXPECT_EQ(history.entries[0].outcome, c.outcome);
        EXPECT_EQ(history.entries[0].model, "A");
        EXPECT_EQ(history.entries[0].reason, c.reason);
    }
}
