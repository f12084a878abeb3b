#include "app/ui/MessageBoxes.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <stdexcept>

#include "app/ui/Translation.h"
#include "tests/app/support/FakeServices.h"

using namespace yeroup::app;
using yeroup::test::FakeMessageBoxes;

TEST(DefaultErrorBox, AddsAFullStopAndUsesTheApplicationTitle) {
    FakeMessageBoxes boxes;
    ShowDefaultErrorBox(boxes, "Unable to write to /x/user.ini");
    ShowDefaultErrorBox(boxes, "Connection Closed Gracefully.");
    ShowDefaultErrorBox(boxes, "");
    ASSERT_EQ(boxes.shown.size(), 3u);
    EXPECT_EQ(boxes.shown[0].text, "Unable to write to /x/user.ini.");
    EXPECT_EQ(boxes.shown[1].text, "Connection Closed Gracefully.");
    EXPECT_EQ(boxes.shown[2].text, "");
    EXPECT_EQ(boxes.shown[0].caption, "YEROUP");
    EXPECT_EQ(boxes.shown[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_FALSE(boxes.shown[0].owned);
}

TEST(DefaultErrorBox, HandlersGoOnAfterAnEscapingError) {
    FakeMessageBoxes boxes;
    bool after = false;
    RunHandler(boxes, [] { throw std::runtime_error("Invalid data type for 'Install Folder'"); });
    RunHandler(boxes, [&] { after = true; });
    EXPECT_TRUE(after);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Invalid data type for 'Install Folder'."});
}

TEST(QtMessageBoxes, ShowsLinesAndReportsTheButtonPressed) {
    QString seenText, seenTitle;
    int buttons = 0;
    auto answer = [&](QMessageBox::StandardButton which) {
        QTimer::singleShot(0, [&, which] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seenText = box->text();
            seenTitle = box->windowTitle();
            buttons = static_cast<int>(box->buttons().size());
            box->button(which)->click();
        });
    };
    TQtMessageBoxes boxes;
    answer(QMessageBox::Cancel);
    EXPECT_EQ(boxes.MessageBox(nullptr, "第一句。\r第二句。", "提示", MB_OKCANCEL | MB_ICONWARNING), IDCANCEL);
    EXPECT_EQ(seenText, QStringLiteral("第一句。\n第二句。"));
    EXPECT_EQ(seenTitle, QStringLiteral("提示"));
    EXPECT_EQ(buttons, 2);
    answer(QMessageBox::Retry);
    EXPECT_EQ(boxes.MessageBox(nullptr, "x", "y", MB_ABORTRETRYIGNORE | MB_ICONERROR), IDRETRY);
    EXPECT_EQ(buttons, 3);
    answer(QMessageBox::Ok);
    EXPECT_EQ(boxes.MessageBox(nullptr, "x", "y", MB_OK), IDOK);
}

TEST(QtMessageBoxes, StandardButtonsReadInChineseAsTheMessagesNameThem) {
    ASSERT_TRUE(LoadFrameworkTranslation());
    const std::pair<unsigned, QStringList> cases[] = {
        {MB_OK, {"确定"}},
        {MB_OKCANCEL, {"取消", "确定"}},
        {MB_ABORTRETRYIGNORE, {"中止", "忽略", "重试"}},
    };
    TQtMessageBoxes boxes;
    for (const auto& [flags, expected] : cases) {
        QStringList seen;
        QTimer::singleShot(0, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton* button : box->buttons()) seen << button->text();
            box->buttons().first()->click();
        });
        boxes.MessageBox(nullptr, "单击[确定]", "提示", flags | MB_ICONWARNING);
        seen.sort();
        EXPECT_EQ(seen, expected) << flags;
    }
}
