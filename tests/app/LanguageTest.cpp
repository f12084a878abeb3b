// The program in the user's language: English on a desktop that is not Chinese, Chinese on a Chinese one (the
// boxes that are English in the code translated too), the code's own texts without a language. Every text of the
// windows and of the message boxes is checked, and in English every label and button shows its whole text (run at
// 1x and, as a second test, at 2x).
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextEdit>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app/Startup.h"
#include "app/core/Texts.h"
#include "app/download/PartialDownload.h"
#include "app/forms/MainForm.h"
#include "app/forms/SplashForm.h"
#include "app/ui/ArchiverPrompt.h"
#include "app/ui/Contrast.h"
#include "app/ui/Translation.h"
#include "tests/app/support/AppHarness.h"

using namespace yeroup::app;
using namespace yeroup::test;

namespace {

bool HasHan(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
    return false;
}
bool HasHan(const std::string& text) { return HasHan(QString::fromStdString(text)); }

std::unique_ptr<TTranslations> Speak(TLanguage language) {
    auto translations = std::make_unique<TTranslations>(language, QStringLiteral(YEROUP_TRANSLATIONS_DIR));
    EXPECT_TRUE(translations->ProgramLoaded());
    return translations;
}

const std::string kCatalogue = "[YERO-T10]\r\nV1.05=x\r\nV1.02=x\r\n[YERO-T20]\r\nV2.00=x\r\n";

// A package of two entries made with Info-ZIP's zip.
std::string Package() {
    ScratchFolder stage;
    WriteFile(stage.Path() / "firmware.sb", "FIRMWARE-IMAGE-" + std::string(4000, 'f'));
    WriteFile(stage.Path() / "stupdaterapp.exe", "#!/bin/sh\nexit 0\n");
    const std::string command =
        "cd '" + stage.Path().string() + "' && zip -q -X -0 package.zip firmware.sb stupdaterapp.exe";
    if (std::system(command.c_str()) != 0) return {};
    return ReadFile(stage.Path() / "package.zip");
}

// Every text a user meets in a window: its title, and each label's, button's, text box's (the page views' notes
// too) and accessible name, shown or not (a hidden button shows later). The update host's port and the test's
// folders are left out.
std::vector<QString> TextsOf(QWidget& window) {
    std::vector<QString> texts{window.windowTitle()};
    static const QRegularExpression varying(QStringLiteral(":\\d+/|yeroup-test-\\w+"));
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (auto* label = qobject_cast<QLabel*>(widget); label && !label->text().isEmpty())
            texts.push_back(label->text());
        if (auto* button = qobject_cast<QPushButton*>(widget)) texts.push_back(button->text());
        if (auto* memo = qobject_cast<QTextEdit*>(widget)) texts.push_back(memo->toPlainText().remove(varying));
        if (!widget->accessibleName().isEmpty()) texts.push_back(widget->accessibleName());
    }
    return texts;
}

std::vector<QString> TextsOf(QWidget& first, QWidget& second) {
    std::vector<QString> texts = TextsOf(first);
    for (QString& text : TextsOf(second)) texts.push_back(std::move(text));
    return texts;
}

// The main window with lists that hold items and the package ready, its progress panel filled as in a download,
// and the splash window.
struct Windows {
    AppHarness h;
    TForm2* main = nullptr;
    std::unique_ptr<TForm1> splash;

    Windows() {
        h.ServeCatalogue(kCatalogue, true);
        std::filesystem::create_directories(h.services.Files.PackageStore());
        WriteFile(h.services.Files.PackageFile("YERO-T10", "V1.05"), "stored");
        main = &h.MakeMain();
        main->show();
        main->Panel2->show();
        main->IdHTTP1WorkBegin(nullptr, yeroup::net::wmRead, 6291456);
        main->IdHTTP1Work(nullptr, yeroup::net::wmRead, 3145728);
        main->Timer1Timer();
        main->Timer1->stop();
        splash = h.MakeSplash();
        splash->show();
        // The home page view has said that the test's host has no home page.
        EXPECT_TRUE(WaitUntil([this] { return !main->WebBrowser1->toPlainText().isEmpty(); }));
    }
};

// A label's or button's text fits: the label's text lies within its parent and clear of every other shown
// control beside it; a button's text fits between its edges.
void ExpectTextFits(QWidget& window) {
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->pixmap().isNull()) continue;
        const QString text = label->text().remove(QLatin1Char('&'));
        SCOPED_TRACE(text.toStdString());
        const QRect textRect(label->pos(), QSize(label->fontMetrics().horizontalAdvance(text), label->height()));
        EXPECT_TRUE(label->parentWidget()->rect().contains(textRect)) << "outside its panel";
        for (QWidget* other : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (other != label && !other->isHidden() && !qobject_cast<QLabel*>(other) &&
                other->geometry().intersects(textRect))
                ADD_FAILURE() << "under " << other->metaObject()->className();
        for (QLabel* other : label->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
            if (other == label || other->text().isEmpty()) continue;
            const QRect otherText(other->pos(),
                                  QSize(other->fontMetrics().horizontalAdvance(other->text()), other->height()));
            EXPECT_FALSE(otherText.intersects(textRect)) << "runs into " << other->text().toStdString();
        }
    }
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        const QString text = button->text().remove(QLatin1Char('&'));
        EXPECT_LE(button->fontMetrics().horizontalAdvance(text) + 8, button->width()) << text.toStdString();
    }
    for (QTextEdit* memo : window.findChildren<QTextEdit*>()) {
        if (qobject_cast<QTextBrowser*>(memo)) continue;  // the page views wrap their pages
        for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next())
            EXPECT_EQ(block.layout()->lineCount(), 1) << "wraps: " << block.text().toStdString();
    }
}

}  // namespace

TEST(Language, DesktopLocaleNamesTheLanguage) {
    const std::pair<const char*, TLanguage> cases[] = {
        {"zh_CN.UTF-8", TLanguage::Chinese},
        {"zh_TW", TLanguage::Chinese},
        {"zh", TLanguage::Chinese},
        {"en_US.UTF-8", TLanguage::English},
        {"de_DE@euro", TLanguage::English},
        {"tlh", TLanguage::English},
        {"C", TLanguage::Source},
        {"C.UTF-8", TLanguage::Source},
        {"POSIX", TLanguage::Source},
        {"", TLanguage::Source},
    };
    for (const auto& [name, language] : cases) EXPECT_EQ(LanguageOf(QString::fromLatin1(name)), language) << name;
}

TEST(Language, EnglishWindowsHaveNoChineseAndEveryTextFits) {
    const auto english = Speak(TLanguage::English);
    Windows w;
    EXPECT_EQ(w.main->Button1->text(), QStringLiteral("&Download again"));
    for (QWidget* window : {static_cast<QWidget*>(w.main), static_cast<QWidget*>(w.splash.get())}) {
        SCOPED_TRACE(window->windowTitle().toStdString());
        for (const QString& text : TextsOf(*window)) EXPECT_FALSE(HasHan(text)) << text.toStdString();
        ExpectTextFits(*window);
    }
    EXPECT_EQ(w.main->Label11->text(), QStringLiteral("The V1.05 firmware package for YERO-T10 is ready!"));
    // A resumed download's captions take the room of the ordinary ones.
    w.main->ShowResumedCaptions(true);
    EXPECT_EQ(w.main->Label9->text(), QStringLiteral("This download:"));
    ExpectTextFits(*w.main);
}

TEST(Language, ChineseWindowsShowTheTextsOfTheCode) {
    std::vector<QString> source, chinese;
    {
        Windows w;
        source = TextsOf(*w.main, *w.splash);
    }
    const auto zh = Speak(TLanguage::Chinese);
    Windows w;
    chinese = TextsOf(*w.main, *w.splash);
    ASSERT_EQ(chinese.size(), source.size());
    for (std::size_t i = 0; i < source.size(); ++i) EXPECT_EQ(chinese[i].toStdString(), source[i].toStdString());
    ExpectTextFits(*w.main);
    w.main->ShowResumedCaptions(true);
    ExpectTextFits(*w.main);
}

namespace {

// Every text of a window against the background it is drawn on: a label's own when it fills it, else its
// panel's; the information text's (disabled) against its base. Prints each ratio.
void ExpectReadableContrast(QWidget& window) {
    const auto expect = [](const QString& text, const QColor& ink, const QColor& background) {
        const double ratio = ContrastRatio(ink, background);
        std::printf("contrast %5.2f:1  %s on %s  %s\n", ratio, ink.name().toLatin1().constData(),
                    background.name().toLatin1().constData(), text.left(40).toUtf8().constData());
        EXPECT_GE(ratio, kReadableContrast) << text.toStdString();
    };
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->pixmap().isNull()) continue;
        const QWidget* filled = label->autoFillBackground() ? label : label->parentWidget();
        expect(label->text(), label->palette().color(QPalette::WindowText), filled->palette().color(QPalette::Window));
    }
    for (QTextEdit* memo : window.findChildren<QTextEdit*>()) {
        if (qobject_cast<QTextBrowser*>(memo)) continue;  // pages bring their own colours
        const QPalette::ColorGroup group = memo->isEnabled() ? QPalette::Active : QPalette::Disabled;
        expect(memo->toPlainText(), memo->palette().color(group, QPalette::Text),
               memo->palette().color(group, QPalette::Base));
    }
}

}  // namespace

// The grey texts stay grey, at WCAG 2.2 level AA against their backgrounds, as every other text.
TEST(Language, EveryTextStandsAtLevelAAContrastInBothLanguages) {
    for (const TLanguage language : {TLanguage::English, TLanguage::Chinese}) {
        SCOPED_TRACE(language == TLanguage::English ? "English" : "Chinese");
        const auto speaking = Speak(language);
        Windows w;
        ExpectReadableContrast(*w.main);
        ExpectReadableContrast(*w.splash);
        const QColor grey = w.main->Label13->palette().color(QPalette::WindowText);
        EXPECT_TRUE(grey.red() == grey.green() && grey.green() == grey.blue() && grey.red() > 64) << "not grey";
    }
}

namespace {

// Each road to a message box, run in a fresh harness; the boxes it showed.
struct Road {
    const char* name;
    std::function<void(AppHarness&)> run;
};

const Road kRoads[] = {
    {"second copy",
     [](AppHarness& h) {
         const auto first = SingleInstanceGuard(h.boxes, h.exe.Path());
         SingleInstanceGuard(h.boxes, h.exe.Path());
     }},
    {"no player software",
     [](AppHarness& h) {
         h.WriteRegistryWithoutKey();
         h.boxes.answers = {IDCANCEL};
         h.MakeSplash()->FormAc();
     }},
    {"catalogue kept",
     [](AppHarness& h) {
         WriteFile(h.services.Files.CatalogueFile(), kCatalogue);
         h.MakeSplash()->FormAc();
     }},
    {"download failed",
     [](AppHarness& h) {
         h.ServeCatalogue(kCatalogue, true);
         h.MakeMain().Button1->click();
     }},
    {"package cannot be saved",
     [](AppHarness& h) {
         h.ServeCatalogue(kCatalogue, true);
         h.ServePackage("YERO-T10", "V1.05", Package());
         std::filesystem::create_directories(PartialFileOf(h.services.Files.PackageFile("YERO-T10", "V1.05")));
         h.MakeMain().Button1->click();
     }},
    {"damaged package, then the connect question",
     [](AppHarness& h) {
         h.ServeCatalogue(kCatalogue, true);
         std::string package = Package();
         package[package.find("FIRMWARE-IMAGE-") + 20] ^= 0x01;
         std::filesystem::create_directories(h.services.Files.PackageStore());
         WriteFile(h.services.Files.PackageFile("YERO-T10", "V1.05"), package);
         h.boxes.answers = {IDABORT};
         h.MakeMain().Button2->click();
         WriteFile(h.services.Files.PackageFile("YERO-T10", "V1.05"), Package());
         h.boxes.answers = {IDCANCEL};
         h.MakeMain().Button2->click();
     }},
};

}  // namespace

TEST(Language, EveryMessageBoxIsInTheLanguage) {
    for (const TLanguage language : {TLanguage::English, TLanguage::Chinese}) {
        const auto translations = Speak(language);
        std::size_t boxes = 0;
        for (const Road& road : kRoads) {
            SCOPED_TRACE(std::string(road.name) + (language == TLanguage::English ? " in English" : " in Chinese"));
            AppHarness h;
            road.run(h);
            EXPECT_FALSE(h.boxes.shown.empty());
            for (const ShownBox& box : h.boxes.shown) {
                EXPECT_EQ(HasHan(box.text), language == TLanguage::Chinese) << box.text;
                // A caption that is a program's name stays as it is.
                if (box.caption != texts::kApplicationTitle && box.caption != texts::kAlreadyRunningCaption) {
                    EXPECT_EQ(HasHan(box.caption), language == TLanguage::Chinese) << box.caption;
                }
            }
            boxes += h.boxes.shown.size();
        }
        EXPECT_EQ(boxes, 8u);
    }
}

TEST(Language, ArchiverTextsAreTranslatedWithTheirNamesInserted) {
    const auto zh = Speak(TLanguage::Chinese);
    const std::pair<std::string, std::string> cases[] = {
        {"Archiver: Cannot create file \"/p/firmware.sb\" - Native error: 00019. File processing error, possibly "
         "disk is full",
         "Archiver: 无法创建文件“/p/firmware.sb” - 内部错误码：00019。处理文件时出错，可能是磁盘已满"},
        {"Archive is damaged: the data of \"a: b.txt\" is cut short - Native error: 00057",
         "压缩包已损坏：“a: b.txt”的数据不完整 - 内部错误码：00057"},
        {"Overwrite file \"/p/a.txt\" with \"a.txt\"", "用“a.txt”覆盖文件“/p/a.txt”"},
        {"Password for \"\xC3\xFB.txt\"", "“名.txt”的密码"},  // the entry's name in code page 936
        {"Enter password: ", "请输入密码："},
        {"Something the archiver never says", "Something the archiver never says"},
    };
    for (const auto& [english, chinese] : cases) EXPECT_EQ(ArchiverText(english), chinese);
}

// A package store on a file system of 64 KiB: the package cannot be saved for lack of space. The box names the
// package, in either language, never the file it was being written to. Needs the right to mount (root, as on the
// project's machines); skipped elsewhere.
TEST(Language, AFullDiskNamesThePackageInEitherLanguageAndTheTraceTellsTheFailedSave) {
    const struct {
        TLanguage language;
        std::string box;
    } cases[] = {
        {TLanguage::Chinese, "YERO-T10 的 V1.05 固件包无法保存：磁盘空间不足。"},
        {TLanguage::English, "The V1.05 firmware package for YERO-T10 could not be saved: not enough disk space."},
    };
    for (const auto& c : cases) {
        AppHarness h;
        const std::filesystem::path store = h.services.Files.PackageStore();
        std::filesystem::create_directories(store);
        if (::mount("tmpfs", store.c_str(), "tmpfs", 0, "size=64k") != 0) GTEST_SKIP() << "no right to mount";
        struct Unmount {
            std::filesystem::path folder;
            ~Unmount() { ::umount2(folder.c_str(), MNT_DETACH); }
        } unmount{store};
        const auto speaking = Speak(c.language);
        h.services.Trace = TTrace(h.exe / "trace.log");
        h.ServeCatalogue(kCatalogue, true);
        h.ServePackage("YERO-T10", "V1.05", std::string(256 * 1024, 'p'));
        h.MakeMain().Button1->click();
        ASSERT_EQ(h.boxes.shown.size(), 1u);
        EXPECT_EQ(h.boxes.shown[0].text, c.box);
        const std::string trace = ReadFile(h.exe / "trace.log");
        EXPECT_NE(trace.find("YERO-T10_V1.05.zip status=200 announced=262144"), std::string::npos) << trace;
        EXPECT_NE(trace.find("failed: Cannot create file"), std::string::npos) << trace;
        EXPECT_EQ(trace.find(" ok\n", trace.find("V1.05.zip")), std::string::npos) << trace;
    }
}
