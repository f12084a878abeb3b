#include <gtest/gtest.h>

#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "tests/app/support/AppHarness.h"

using namespace yeroup::app;
using namespace yeroup::test;

namespace {

const std::string kCatalogue = "[A]\r\n1.0=x\r\n1.1=y\r\n[B]\r\n2.0=z\r\n";

void Pick(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

}  // namespace

TEST(MainFormPages, FirstVisitFetchesThenShowsAndSecondShowsTheOldCopyFirst) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    TForm2& form = h.MakeMain();
    h.ServePage("A", "1.1", "<html><body>first copy</body></html>");
    Pick(form.ComboBox2, 1);
    EXPECT_EQ(ReadFile(h.services.Files.PageFile("A", "1.1")), "<html><body>first copy</body></html>");
    EXPECT_TRUE(form.WebBrowser2->toPlainText().contains("first copy"));

    Pick(form.ComboBox2, 0);
    h.ServePage("A", "1.1", "<html><body>second copy</body></html>");
    Pick(form.ComboBox2, 1);
    // Shown from the copy of the earlier visit; the refreshed file shows on the next visit.
    EXPECT_TRUE(form.WebBrowser2->toPlainText().contains("first copy"));
    EXPECT_EQ(ReadFile(h.services.Files.PageFile("A", "1.1")), "<html><body>second copy</body></html>");
    Pick(form.ComboBox2, 0);
    Pick(form.ComboBox2, 1);
    EXPECT_TRUE(form.WebBrowser2->toPlainText().contains("second copy"));
}

TEST(MainFormPages, FirstVisitWithoutNetworkSavesNothingAndShowsNoMessage) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    TForm2& form = h.MakeMain();
    Pick(form.ComboBox1, 1);  // the host has no page for B 2.0
    EXPECT_FALSE(std::filesystem::exists(h.services.Files.PageFile("B", "2.0")));
    EXPECT_FALSE(form.WebBrowser2->ShowsPage());
    EXPECT_EQ(form.WebBrowser2->LocationName(), h.services.Files.PageFile("B", "2.0"));
    EXPECT_TRUE(h.boxes.shown.empty());
}

TEST(MainFormPages, PackageReadyPanelFollowsThePackageFile) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    std::filesystem::create_directories(h.services.Files.PackageStore());
    WriteFile(h.services.Files.PackageFile("A", "1.0"), "PK");
    TForm2& form = h.MakeMain();
    EXPECT_FALSE(form.Panel3->isHidden());
    EXPECT_EQ(form.Button1->text(), QStringLiteral("重新下载"));
    EXPECT_EQ(form.Label11->text(), QStringLiteral("A 的 1.0 固件包已经准备好！"));
    std::filesystem::remove(h.services.Files.PackageFile("A", "1.0"));
    Pick(form.ComboBox2, 1);
    EXPECT_TRUE(form.Panel3->isHidden());
    EXPECT_EQ(form.Button1->text(), QStringLiteral("下载"));
    // The label keeps its last text while the panel is hidden.
    EXPECT_EQ(form.Label11->text(), QStringLiteral("A 的 1.0 固件包已经准备好！"));
}

TEST(MainFormPages, PageThatCannotBeSavedIsReportedByTheListHandler) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    TForm2& form = h.MakeMain();
    h.ServePage("A", "1.1", "<html></html>");
    std::filesystem::create_directories(h.services.Files.PageFile("A", "1.1"));
    Pick(form.ComboBox2, 1);
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text.rfind("Cannot create file \"", 0), 0u);
    EXPECT_EQ(h.boxes.shown[0].caption, "YEROUP");
}

TEST(MainFormPages, ASecondChangeDuringAFetchWaitsForItAndShowsTheLatestSelection) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    TForm2& form = h.MakeMain();
    h.ServePage("A", "1.1", "<html><body>page A 1.1</body></html>");
    h.ServePage("B", "2.0", "<html><body>page B 2.0</body></html>");
    h.server.HoldAfter("/YEROMP3LiveUpdate/Firmware/A/A_1.1.asp", 5);
    // While the first fetch waits, the user picks model B; then the host finishes the first page.
    QTimer poll;
    bool changed = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (changed || !h.server.Holding()) return;
        changed = true;
        Pick(form.ComboBox1, 1);
        h.server.Release();
    });
    poll.start(10);
    Pick(form.ComboBox2, 1);
    poll.stop();
    ASSERT_TRUE(changed);
    EXPECT_EQ(form.SelectedModel(), "B");
    EXPECT_TRUE(form.WebBrowser2->toPlainText().contains("page B 2.0"));
    EXPECT_EQ(ReadFile(h.services.Files.PageFile("A", "1.1")), "<html><body>page A 1.1</body></html>");
    // The page fetches ran one after the other.
    std::vector<std::string> pages;
    for (const std::string& e : h.server.Events())
        if (e.size() > 4 && e.substr(e.size() - 4) == ".asp") pages.push_back(e);
    EXPECT_EQ(pages, (std::vector<std::string>{
                         "> /YEROMP3LiveUpdate/Firmware/A/A_1.0.asp", "< /YEROMP3LiveUpdate/Firmware/A/A_1.0.asp",
                         "> /YEROMP3LiveUpdate/Firmware/A/A_1.1.asp", "< /YEROMP3LiveUpdate/Firmware/A/A_1.1.asp",
                         "> /YEROMP3LiveUpdate/Firmware/B/B_2.0.asp", "< /YEROMP3LiveUpdate/Firmware/B/B_2.0.asp"}));
}

TEST(MainFormPages, WhileAPageIsFetchedTheViewIsBusyAndShowsNoPageOfAnotherSelection) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    h.ServePage("A", "1.0", "<html><body>page A 1.0</body></html>");
    TForm2& form = h.MakeMain();
    ASSERT_TRUE(form.WebBrowser2->toPlainText().contains("page A 1.0"));
    EXPECT_FALSE(form.WebBrowser2->Busy());
    h.ServePage("A", "1.1", "<html><body>page A 1.1</body></html>");
    h.ServePage("B", "2.0", "<html><body>page B 2.0</body></html>");
    h.server.HoldAfter("/YEROMP3LiveUpdate/Firmware/A/A_1.1.asp", 5);
    struct Seen {
        bool busy;
        Qt::CursorShape cursor;
        QString text;
    };
    std::vector<Seen> seen;
    auto look = [&] {
        THtmlView* view = form.WebBrowser2;
        seen.push_back({view->Busy(), view->childAt(view->rect().center())->cursor().shape(), view->toPlainText()});
    };
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!seen.empty() || !h.server.Holding()) return;
        look();
        Pick(form.ComboBox1, 1);  // another selection while the page of A 1.1 is on its way
        look();
        h.server.Release();
    });
    poll.start(10);
    Pick(form.ComboBox2, 1);
    poll.stop();
    ASSERT_EQ(seen.size(), 2u);
    for (const Seen& s : seen) {
        EXPECT_TRUE(s.busy);
        EXPECT_EQ(s.cursor, Qt::BusyCursor);
        EXPECT_TRUE(s.text.contains(QString::fromUtf8(texts::kPageLoading))) << s.text.toStdString();
    }
    EXPECT_FALSE(form.WebBrowser2->Busy());
    EXPECT_TRUE(form.WebBrowser2->toPlainText().contains("page B 2.0"));
}

TEST(MainFormPages, PageWithoutCharsetIsReadInTheSystemCodePage) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    // "固件说明" in code page 936, no declaration; the host serves it as application/octet-stream.
    h.ServePage("A", "1.1", "<html><body><h3>\xB9\xCC\xBC\xFE\xCB\xB5\xC3\xF7</h3></body></html>");
    TForm2& form = h.MakeMain();
    Pick(form.ComboBox2, 1);
    EXPECT_TRUE(form.WebBrowser2->toPlainText().contains(QStringLiteral("固件说明")));
}
