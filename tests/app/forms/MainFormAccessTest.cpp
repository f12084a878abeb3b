// What a user meets in the main window beyond the workflow: the information text in full, the keyboard road
// through the window, and the names screen readers read. Run at the default scale and at 2x.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QFontMetrics>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include "app/core/Limits.h"
#include "app/forms/MainForm.h"
#include "tests/app/support/AppHarness.h"
#include "tests/app/support/MinisignTool.h"

using namespace yeroup::app;
using namespace yeroup::test;

TEST(MainFormAccess, InformationTextShowsAllFiveLinesWithoutScrolling) {
    AppHarness h;
    TForm2& form = h.MakeMain();
    form.show();
    QTextEdit* memo = form.Memo1;
    const QRect view = memo->viewport()->rect();
    QAbstractTextDocumentLayout* layout = memo->document()->documentLayout();
    const QFontMetrics metrics(memo->font());
    int lines = 0;
    for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next(), ++lines) {
        const QRectF box = layout->blockBoundingRect(block);
        EXPECT_EQ(block.layout()->lineCount(), 1) << "wraps: " << block.text().toStdString();
        EXPECT_LE(box.bottom(), view.height()) << "below the box: " << block.text().toStdString();
        // The glyphs themselves stay within their line.
        EXPECT_LE(metrics.tightBoundingRect(block.text()).height(), box.height()) << block.text().toStdString();
    }
    EXPECT_EQ(lines, 5);
    EXPECT_EQ(memo->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(memo->horizontalScrollBar()->maximum(), 0);
}

// The notice of an old catalogue, with a day count of four digits, stands whole in the top panel before the lists.
TEST(MainFormAccess, OldCatalogueNoticeFitsTheTopPanel) {
    AppHarness h;
    MinisignTool tool;
    h.services.TrustedKeys = trust::TTrustedKeys::FromFile(tool.PublicKeyFile().string(), true);
    const std::int64_t signedAt = 1000000000;
    h.services.UnixTime = [&] { return signedAt + 9999 * 86400; };
    h.ServeCatalogue("[A]\r\n1.0=x\r\n", true);
    WriteFile(TAppFiles::SignatureOf(h.services.Files.CatalogueFile()),
              tool.Sign("YEROMP3LiveUpdate.ini", "[A]\r\n1.0=x\r\n",
                        "timestamp:" + std::to_string(signedAt) + "\tfile:YEROMP3LiveUpdate.ini"));
    TForm2& form = h.MakeMain();
    form.show();
    QLabel* notice = form.CatalogueAgeLabel;
    ASSERT_TRUE(notice->isVisible());
    EXPECT_TRUE(notice->text().contains("9999"));
    EXPECT_GE(notice->width(), notice->sizeHint().width());
    EXPECT_GE(notice->height(), notice->sizeHint().height());
    EXPECT_TRUE(form.Panel1->rect().contains(notice->geometry()));
    EXPECT_LT(notice->geometry().right(), form.Label2->geometry().left());
    EXPECT_EQ(QAccessible::queryAccessibleInterface(notice)->text(QAccessible::Name), notice->toolTip());
}

TEST(MainFormAccess, ControlsCarryAccessibleNames) {
    AppHarness h;
    TForm2& form = h.MakeMain();
    const std::pair<QWidget*, QString> cases[] = {
        {form.ComboBox1, "机型"},
        {form.ComboBox2, "固件版本"},
        {form.Button1, "下载"},
        {form.Button3, "取消下载"},
        {form.Button2, "固件升级"},
        {form.ProgressBar1, "下载进度"},
        {form.WebBrowser1, "YERO MP3 LiveUpdate 主页"},
        {form.WebBrowser2, "固件说明"},
        {form.Memo1, "本工具说明"},
    };
    for (const auto& [widget, name] : cases) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(accessible, nullptr) << name.toStdString();
        EXPECT_EQ(accessible->text(QAccessible::Name), name);
    }
}

// With items in the lists Qt gives each list's own name its current item on Linux: a screen reader tells the
// lists apart by the label tied to each, and reads the item as the value.
TEST(MainFormAccess, ListsWithItemsAreLabelledByTheirCaptions) {
    AppHarness h;
    h.ServeCatalogue("[YERO-T10]\r\nV1.05=x\r\n", true);
    TForm2& form = h.MakeMain();
    const std::tuple<QComboBox*, QLabel*, QString> cases[] = {
        {form.ComboBox1, form.Label2, "YERO-T10"},
        {form.ComboBox2, form.Label3, "V1.05"},
    };
    for (const auto& [list, caption, item] : cases) {
        SCOPED_TRACE(caption->text().toStdString());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(list);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Value), item);
        QStringList labels;
        for (const auto& [other, relation] : accessible->relations(QAccessible::Label))
            if (relation & QAccessible::Label) labels << other->text(QAccessible::Name);
        EXPECT_EQ(labels, QStringList{caption->text()});
        // The label points back at its list.
        QAccessibleInterface* label = QAccessible::queryAccessibleInterface(caption);
        ASSERT_FALSE(label->relations(QAccessible::Labelled).isEmpty());
        EXPECT_EQ(label->relations(QAccessible::Labelled).first().first->object(), list);
    }
}

namespace {

// The main window shown, over a catalogue of one model and firmware whose package is stored.
TForm2& ShowMainWithPackage(AppHarness& h, const std::string& model, const std::string& firmware) {
    h.ServeCatalogue("[" + model + "]\r\n" + firmware + "=x\r\n", true);
    std::filesystem::create_directories(h.services.Files.PackageStore());
    WriteFile(h.services.Files.PackageFile(model, firmware), "stored");
    TForm2& form = h.MakeMain();
    form.show();
    return form;
}

}  // namespace

// The window is the window a screen reader keeps for the focus changes inside it, and its panels are panels
// named by the caption they show first (not frames, which a screen reader would take for the window).
TEST(MainFormAccess, WindowIsAWindowAndItsPanelsArePanelsNamedByTheirCaptions) {
    AppHarness h;
    TForm2& form = ShowMainWithPackage(h, "YERO-T10", "V1.05");
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&form);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), form.windowTitle());
    const std::pair<QWidget*, QLabel*> cases[] = {
        {form.Panel1, form.Label13}, {form.Panel2, form.Label6}, {form.Panel3, form.Label11}};
    for (const auto& [panel, caption] : cases) {
        SCOPED_TRACE(caption->text().toStdString());
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(panel);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::Pane);
        EXPECT_EQ(accessible->text(QAccessible::Name), caption->text());
        EXPECT_EQ(accessible->parent()->object(), &form);
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.Panel3)->text(QAccessible::Name),
              QStringLiteral("YERO-T10 的 V1.05 固件包已经准备好！"));
    // The progress bar is labelled by its caption; the information text is read only.
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(form.ProgressBar1);
    ASSERT_FALSE(bar->relations(QAccessible::Label).isEmpty());
    EXPECT_EQ(bar->relations(QAccessible::Label).first().first->object(), form.Label6);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(form.Memo1)->state().readOnly);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&h.Splash())->role(), QAccessible::Window);
}

TEST(MainFormAccess, TabReachesTheUpgradeButtonWhichEnterPresses) {
    AppHarness h;
    TForm2& form = ShowMainWithPackage(h, "A", "1.0");
    QApplication::setActiveWindow(&form);
    form.ComboBox1->setFocus();
    std::vector<QWidget*> road;
    for (int i = 0; i < 6 && road.size() < 6; ++i) {
        road.push_back(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(road, (std::vector<QWidget*>{form.ComboBox1, form.ComboBox2, form.Button1, form.WebBrowser1,
                                           form.WebBrowser2, form.Button2}));
    EXPECT_EQ(QApplication::focusWidget(), form.ComboBox1);  // and round again
    QTest::keyClick(form.ComboBox1, Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), form.Button2);
    QSignalSpy pressed(form.Button2, &QPushButton::clicked);
    QTest::keyClick(form.Button2, Qt::Key_Return);
    QTest::keyClick(form.Button2, Qt::Key_Space);
    EXPECT_EQ(pressed.count(), 2);
}

TEST(MainFormAccess, DownloadButtonNeedsAFirmware) {
    AppHarness h;
    h.ServeCatalogue("[A]\r\n[B]\r\n1.0=x\r\n", true);
    TForm2& form = h.MakeMain();
    EXPECT_EQ(form.ComboBox2->currentIndex(), -1);
    EXPECT_FALSE(form.Button1->isEnabled());
    form.ComboBox1->setCurrentIndex(1);
    emit form.ComboBox1->activated(1);
    EXPECT_TRUE(form.Button1->isEnabled());
}
