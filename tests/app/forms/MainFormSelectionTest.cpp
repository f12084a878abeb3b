#include <gtest/gtest.h>

#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "tests/app/support/AppHarness.h"

using namespace yeroup::app;
using namespace yeroup::test;

namespace {

const std::string kCatalogue = "; models\r\n[A]\r\n1.0=x\r\n[B]\r\n1.0=y\r\n1.1=z\r\n";

QStringList Items(QComboBox* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    return items;
}

}  // namespace

TEST(MainFormSelection, StartsWithTheSavedSelectionAndFetchesItsPage) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    h.ServePage("B", "1.1", "<html><body>page B 1.1</body></html>");
    WriteFile(h.services.Files.SelectionFile(), "[Main02]\r\nComboBox1=1\r\nComboBox2=0x1\r\n");
    ASSERT_FALSE(std::filesystem::exists(h.services.Files.PackageStore()));
    TForm2& form = h.MakeMain();
    EXPECT_TRUE(std::filesystem::is_directory(h.services.Files.PackageStore()));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("YERO MP3 LiveUpdate 2005 Builb 1.126"));
    EXPECT_EQ(Items(form.ComboBox1), (QStringList{"A", "B"}));
    EXPECT_EQ(Items(form.ComboBox2), (QStringList{"1.0", "1.1"}));
    EXPECT_EQ(form.SelectedModel(), "B");
    EXPECT_EQ(form.SelectedFirmware(), "1.1");
    EXPECT_EQ(ReadFile(h.services.Files.PageFile("B", "1.1")), "<html><body>page B 1.1</body></html>");
    EXPECT_TRUE(form.WebBrowser2->toPlainText().contains("page B 1.1"));
    EXPECT_EQ(form.WebBrowser1->LocationName(), "http://" + h.server.Host() + "/YEROMP3LiveUpdate");
    EXPECT_TRUE(form.Button3->isHidden());
    EXPECT_TRUE(form.Panel3->isHidden());
    EXPECT_EQ(form.Button1->text(), QStringLiteral("下载"));
    EXPECT_TRUE(h.boxes.shown.empty());
    const auto requests = h.server.Requests();
    EXPECT_NE(std::find(requests.begin(), requests.end(), "/YEROMP3LiveUpdate/Firmware/B/B_1.1.asp"), requests.end());
}

TEST(MainFormSelection, PickingAModelSelectsItsFirstFirmware) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    WriteFile(h.services.Files.SelectionFile(), "[Main02]\r\nComboBox1=0\r\nComboBox2=0\r\n");
    TForm2& form = h.MakeMain();
    form.ComboBox1->setCurrentIndex(1);
    // Selecting from code runs no handler.
    EXPECT_EQ(Items(form.ComboBox2), QStringList{"1.0"});
    emit form.ComboBox1->activated(1);
    EXPECT_EQ(Items(form.ComboBox2), (QStringList{"1.0", "1.1"}));
    form.ComboBox2->setCurrentIndex(1);
    emit form.ComboBox2->activated(1);
    emit form.ComboBox1->activated(1);
    EXPECT_EQ(form.ComboBox2->currentIndex(), 0);
    EXPECT_EQ(form.SelectedFirmware(), "1.0");
}

TEST(MainFormSelection, PositionsOutsideTheListsLeaveThemWithoutSelection) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    WriteFile(h.services.Files.SelectionFile(), "[Main02]\r\nComboBox1=5\r\nComboBox2=0\r\n");
    TForm2& form = h.MakeMain();
    EXPECT_EQ(form.ComboBox1->currentIndex(), -1);
    EXPECT_EQ(form.ComboBox2->count(), 0);
    EXPECT_EQ(form.SelectedModel(), "");
    EXPECT_EQ(form.WebBrowser2->LocationName(), h.services.Files.PageFile("", ""));
    const auto requests = h.server.Requests();
    EXPECT_NE(std::find(requests.begin(), requests.end(), "/YEROMP3LiveUpdate/Firmware//_.asp"), requests.end());
}

TEST(MainFormSelection, NoCatalogueAndNoSelectionFileGiveEmptyLists) {
    AppHarness h;
    TForm2& form = h.MakeMain();
    EXPECT_EQ(form.ComboBox1->count(), 0);
    EXPECT_EQ(form.ComboBox2->count(), 0);
    EXPECT_TRUE(h.boxes.shown.empty());
}

TEST(MainFormSelection, CatalogueNamesAreShownConvertedAndUsedAsBytes) {
    AppHarness h;
    // Section "播放器" and key "固件" in code page 936.
    const std::string model = "\xB2\xA5\xB7\xC5\xC6\xF7", firmware = "\xB9\xCC\xBC\xFE";
    h.ServeCatalogue("[" + model + "]\r\n" + firmware + "=1\r\n", true);
    h.ServePage(model, firmware, "<html><body>gbk names</body></html>");
    TForm2& form = h.MakeMain();
    EXPECT_EQ(form.ComboBox1->itemText(0), QStringLiteral("播放器"));
    EXPECT_EQ(form.ComboBox2->itemText(0), QStringLiteral("固件"));
    EXPECT_EQ(form.SelectedModel(), model);
    EXPECT_TRUE(std::filesystem::exists(h.exe.Path() / "FirmwareBack" / "播放器_固件.htm"));
}

TEST(MainFormSelection, ClosingSavesBothPositionsOnlyWhenBothListsHaveOne) {
    AppHarness h;
    h.ServeCatalogue("[A]\r\n1.0=x\r\n[B]\r\n1.0=y\r\n1.1=z\r\n[C]\r\n", true);
    WriteFile(h.services.Files.SelectionFile(), "[Main02]\r\nComboBox1=0\r\nComboBox2=0\r\n");
    TForm2& form = h.MakeMain();
    form.ComboBox1->setCurrentIndex(1);
    emit form.ComboBox1->activated(1);
    form.ComboBox2->setCurrentIndex(1);
    form.close();
    yeroup::platform::TIniFile selection(h.services.Files.SelectionFile());
    EXPECT_EQ(selection.ReadInteger("Main02", "ComboBox1", -1), 1);
    EXPECT_EQ(selection.ReadInteger("Main02", "ComboBox2", -1), 1);

    // Model C has no firmware: nothing is written and the saved values stay.
    form.show();
    form.ComboBox1->setCurrentIndex(2);
    emit form.ComboBox1->activated(2);
    ASSERT_EQ(form.ComboBox2->currentIndex(), -1);
    form.close();
    EXPECT_EQ(selection.ReadInteger("Main02", "ComboBox1", -1), 1);
    EXPECT_EQ(selection.ReadInteger("Main02", "ComboBox2", -1), 1);
}

TEST(MainFormSelection, UnwritableSelectionFileIsReportedAndTheWindowStillCloses) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    TForm2& form = h.MakeMain();
    bool closed = false;
    form.OnClosed = [&] { closed = true; };
    // A folder where the selection file should be cannot be replaced by a file.
    std::filesystem::create_directories(h.services.Files.SelectionFile());
    form.show();
    form.close();
    EXPECT_TRUE(closed);
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text, "Unable to write to " + h.services.Files.SelectionFile() + ".");
    EXPECT_EQ(h.boxes.shown[0].caption, "YEROUP");
}

TEST(MainFormSelection, LayoutPositionsAndTexts) {
    AppHarness h;
    TForm2& form = h.MakeMain();
    EXPECT_EQ(form.size(), QSize(692, 453));
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.Panel1->geometry(), QRect(-1, 0, 700, 35));
    EXPECT_EQ(form.ComboBox1->geometry(), QRect(312, 8, 100, 21));
    EXPECT_EQ(form.ComboBox2->geometry(), QRect(496, 8, 100, 21));
    EXPECT_EQ(form.Button1->geometry(), form.Button3->geometry());
    EXPECT_EQ(form.WebBrowser1->geometry(), QRect(3, 41, 230, 409));
    EXPECT_EQ(form.WebBrowser2->geometry(), QRect(240, 41, 449, 336));
    EXPECT_EQ(form.Panel2->geometry(), form.Panel3->geometry());
    EXPECT_EQ(form.Label13->text(), QStringLiteral("请选择MP3号型和固件版本"));
    EXPECT_EQ(form.Button3->text(), QStringLiteral("取消下载"));
    EXPECT_EQ(form.Button2->text(), QStringLiteral("固件升级"));
    EXPECT_EQ(form.Memo1->toPlainText().split('\n').size(), 5);
    EXPECT_FALSE(form.Memo1->isEnabled());
    EXPECT_EQ(form.Label13->font().pixelSize(), 12);
    EXPECT_TRUE(form.Label13->font().families().contains(QStringLiteral("WenQuanYi Micro Hei")));
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(form.Timer1->interval(), 1000);
}
