#include "app/forms/MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QShortcut>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <algorithm>
#include <ctime>
#include <filesystem>

#include "app/core/Texts.h"
#include "app/core/VersionText.h"
#include "app/download/SignedFetch.h"
#include "app/download/UpdateClient.h"
#include "app/trust/CatalogueFreshness.h"
#include "app/trust/KeyRotation.h"
#include "app/ui/Contrast.h"
#include "app/ui/Fonts.h"
#include "app/ui/FormLook.h"
#include "app/ui/Translation.h"
#include "app/upgrade/TracedArchiver.h"
#include "platform/text/CodePages.h"

namespace yeroup::app {

namespace {

// A wait for bytes handles the window's messages as they come; only a connect is waited for in slices, each
// within a frame.
constexpr std::int32_t kPumpSliceMs = 16;

// The information text: the installed CJK font is taller and wider than the layout's, so the box uses it one
// pixel smaller and on a fixed line pitch, which keeps all five lines in view at any scale.
constexpr int kMemoLineHeight = 12;

// Room beside a button's caption, both sides together, as the layout's buttons have it.
constexpr int kButtonTextMargins = 16;

// Where the layout puts the speed's caption and value.
constexpr int kSpeedCaptionX = 335;
constexpr int kSpeedValueX = 391;

QFont MemoFont() {
    QFont font = SimSun12();
    font.setPixelSize(11);
    return font;
}

// Labels size themselves to their text (the installed font is wider than the layout's), except fixed ones.
enum class Size { Auto, Fixed };

QLabel* MakeLabel(QWidget* parent, const char* text, QRect geometry, const QFont& font, const QColor& color,
                  Size size = Size::Auto) {
    auto* label = new QLabel(QTr(text), parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    if (size == Size::Fixed) {
        label->setGeometry(geometry);
    } else {
        label->move(geometry.topLeft());
        label->adjustSize();
    }
    return label;
}

QFrame* MakePanel(QWidget* parent, QRect geometry) {
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(geometry);
    panel->setAutoFillBackground(true);
    return panel;
}

QPushButton* MakeButton(QWidget* parent, const char* text, QRect geometry) {
    auto* button = new QPushButton(QTr(text), parent);
    button->setFont(SimSun12());
    button->setGeometry(geometry);
    return button;
}

QComboBox* MakeList(QWidget* parent, QRect geometry) {
    auto* list = new QComboBox(parent);
    list->setEditable(false);
    list->setGeometry(geometry);
    list->setFont(SimSun12());
    return list;
}

}  // namespace

TForm2::TForm2(const TAppServices& services, TForm1& splash, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      // With the TLS transport whatever the user's host: a mirror may be https (it speaks clear text for http).
      IdHTTP1(MakeUpdateClient(/*secureHost=*/true, services.ExtraCAFile)),
      Archiver(std::make_unique<upgrade::TTracedZipArchiver>(services.Trace)),
      services_(services),
      splash_(splash),
      archiverPrompts_(services.MessageBoxes) {
    BuildLayout();

    IdHTTP1->RecvBufferSize = kDownloadReceiveBytes;
    IdHTTP1->OnWorkBegin = [this](net::TIdComponent* s, net::TWorkMode m, std::int32_t n) {
        IdHTTP1WorkBegin(s, m, n);
    };
    IdHTTP1->OnWork = [this](net::TIdComponent* s, net::TWorkMode m, std::int32_t n) { IdHTTP1Work(s, m, n); };
    IdHTTP1->OnWorkEnd = [this](net::TIdComponent* s, net::TWorkMode m) { IdHTTP1WorkEnd(s, m); };
    IdAntiFreeze1 = std::make_unique<net::TIdAntiFreeze>(pump_);
    // Every slice pumps, also those that found data: a page fetch from a trickling host must not hold the window.
    IdAntiFreeze1->OnlyWhenIdle = false;
    IdAntiFreeze1->IdleTimeOut = kPumpSliceMs;

    Archiver->Name = "Archiver";
    Archiver->ExtractCorruptedFiles = false;
    Archiver->InMemory = false;
    Archiver->SetSpanningMode(zip::smNone);
    Archiver->Zip64Mode = zip::zmDisabled;
    Archiver->Options.FlushBuffers = true;
    Archiver->Options.OEMFileNames = true;
    Archiver->SetCompressionLevel(zip::clFastest);
    Archiver->SetCompressionMode(1);
    Archiver->SpanningOptions.AdvancedNaming = true;
    Archiver->SpanningOptions.VolumeSize = zip::vsAutoDetect;
    Archiver->SetPrompts(&archiverPrompts_);

    Guarded([this] { FormCreate(); });
}

TForm2::~TForm2() {
    // The pump reaches this window; no socket wait may use it once the window is gone.
    IdAntiFreeze1.reset();
}

void TForm2::BuildLayout() {
    setWindowTitle(QTr(texts::kMainCaptionLayout));
    ApplyFormLook(*this, 692, 453);
    const QColor text = palette().color(QPalette::WindowText);

    Panel1 = MakePanel(this, {-1, 0, 700, 35});
    Label13 = MakeLabel(Panel1, texts::kChoose, {40, 13, 138, 12}, SimSun12(),
                        ReadableGrey(Panel1->palette().color(QPalette::Window)));
    CatalogueAgeLabel = MakeLabel(Panel1, "", {40, 13, 0, 0}, SimSun12(), Qt::darkRed);
    CatalogueAgeLabel->hide();
    Label2 = MakeLabel(Panel1, texts::kModel, {276, 13, 65, 13}, SimSun12(), text, Size::Fixed);
    ComboBox1 = MakeList(Panel1, {312, 8, 100, 21});
    Label3 = MakeLabel(Panel1, texts::kFirmware, {460, 13, 65, 13}, SimSun12(), text, Size::Fixed);
    ComboBox2 = MakeList(Panel1, {496, 8, 100, 21});
    Button1 = MakeButton(Panel1, texts::kDownload, {608, 5, 75, 25});
    Button3 = MakeButton(Panel1, texts::kCancelDownload, {608, 5, 75, 25});
    FitDownloadButtons();
    // The captions sit under the lists where they overlap; a caption longer than the room before its list (as in
    // English) moves left to end where its list begins.
    for (const auto& [caption, list] : {std::pair{Label2, ComboBox1}, std::pair{Label3, ComboBox2}}) {
        const int width = caption->fontMetrics().horizontalAdvance(caption->text()) + 4;
        if (caption->x() + width > list->x()) caption->move(list->x() - width, caption->y());
        list->raise();
    }

    WebBrowser1 = new THtmlView(this);
    WebBrowser1->setGeometry(3, 41, 230, 409);
    WebBrowser2 = new THtmlView(this);
    WebBrowser2->setGeometry(240, 41, 449, 336);
    WebBrowser1->SetTrace(services_.Trace);
    WebBrowser2->SetTrace(services_.Trace);
    WebBrowser1->TrustExtraCAFile(services_.ExtraCAFile);
    WebBrowser2->TrustExtraCAFile(services_.ExtraCAFile);

    // Memo1, Panel2 and Panel3 share one area, Panel3 on top.
    Memo1 = new QTextEdit(this);
    Memo1->setGeometry(242, 384, 449, 65);
    Memo1->setFrameStyle(QFrame::NoFrame);
    Memo1->setFont(MemoFont());
    QPalette memo = Memo1->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        memo.setColor(group, QPalette::Base, memo.color(QPalette::Midlight));
        memo.setColor(group, QPalette::Text, ReadableGrey(memo.color(QPalette::Midlight)));
    }
    Memo1->setPalette(memo);
    QStringList lines;
    for (const char* line : texts::kMemoLines) lines << QTr(line);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->document()->setDocumentMargin(1);
    // Five lines of kMemoLineHeight fit the 65 pixels of the box with its margins.
    QTextCursor all(Memo1->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat spacing;
    spacing.setLineHeight(kMemoLineHeight, QTextBlockFormat::FixedHeight);
    all.mergeBlockFormat(spacing);
    Memo1->setEnabled(false);
    // Not an edit field to a screen reader either.
    Memo1->setReadOnly(true);

    BuildProgressPanel();
    BuildPackagePanel();

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    countsDue_ = new QTimer(this);
    countsDue_->setSingleShot(true);

    BuildKeyboardAndNames();

    connect(ComboBox1, &QComboBox::activated, this, [this] { Guarded([this] { ComboBox1Change(); }); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { Guarded([this] { ComboBox2Change(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
    connect(Button3, &QPushButton::clicked, this, &TForm2::CancelClicked);
    connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });
    connect(countsDue_, &QTimer::timeout, this, &TForm2::ShowCounts);
}

void TForm2::FitDownloadButtons() {
    // The download button (and the cancel button in its place) is as wide as its longest caption needs, growing to
    // the left ("Download again"); the firmware list keeps the layout's gap before it.
    const int gap = Button1->x() - (ComboBox2->geometry().right() + 1);
    int width = Button1->width();
    for (const char* caption : {texts::kDownload, texts::kDownloadAgain, texts::kCancelDownload})
        width = std::max(width, Button1->fontMetrics().horizontalAdvance(QTr(caption).remove(QLatin1Char('&'))) +
                                    kButtonTextMargins);
    const int right = Button1->geometry().right() + 1;
    for (QPushButton* button : {Button1, Button3})
        button->setGeometry(right - width, button->y(), width, button->height());
    if (const int overlap = ComboBox2->geometry().right() + 1 + gap - Button1->x(); overlap > 0)
        ComboBox2->move(ComboBox2->x() - overlap, ComboBox2->y());
}

void TForm2::PlaceSpeedCaption() {
    // The speed and its caption end within the panel: a caption longer than the layout's ("This download:") starts
    // further left, its value following it.
    constexpr int kGap = 4;
    Label9->adjustSize();
    const int widest = Label10->fontMetrics().horizontalAdvance(QStringLiteral("999999") +
                                                                QString::fromUtf8(texts::kKilobytesPerSecond));
    const int last = Panel2->width() - kGap - widest;
    Label9->move(std::min(kSpeedCaptionX, last - kGap - Label9->width()), Label9->y());
    Label10->move(std::min(std::max(kSpeedValueX, Label9->geometry().right() + 1 + kGap), last), Label10->y());
}

void TForm2::BuildProgressPanel() {
    Panel2 = MakePanel(this, {240, 384, 449, 65});
    const QColor text = palette().color(QPalette::WindowText);
    Label6 = MakeLabel(Panel2, texts::kDownloading, {17, 15, 42, 12}, SimSun12(), text);
    ProgressBar1 = new TPacedProgressBar(Panel2);
    ProgressBar1->setGeometry(65, 14, 345, 16);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->Restart();
    // The caption takes the bar's room where it is longer than the layout's ("Downloading:", "Resuming:").
    int caption = 0;
    for (const char* captionText : {texts::kDownloading, texts::kResuming})
        caption = std::max(caption, Label6->fontMetrics().horizontalAdvance(QTr(captionText)));
    if (const int barLeft = Label6->x() + caption + 6; barLeft > ProgressBar1->x())
        ProgressBar1->setGeometry(barLeft, ProgressBar1->y(), ProgressBar1->geometry().right() + 1 - barLeft,
                                  ProgressBar1->height());
    Label4 = MakeLabel(Panel2, "", {419, 15, 0, 0}, SimSun12(), text);
    Label7 = MakeLabel(Panel2, texts::kPackageSize, {16, 40, 54, 12}, SimSun12(), text);
    Label1 = MakeLabel(Panel2, "", {72, 40, 0, 0}, SimSun12(), text);
    Label8 = MakeLabel(Panel2, texts::kDownloaded, {181, 40, 42, 12}, SimSun12(), text);
    Label5 = MakeLabel(Panel2, "", {229, 40, 0, 0}, SimSun12(), text);
    Label9 = MakeLabel(Panel2, texts::kAverageSpeed, {kSpeedCaptionX, 40, 54, 12}, SimSun12(), text);
    Label10 = MakeLabel(Panel2, "", {kSpeedValueX, 40, 0, 0}, SimSun12(), text);
    PlaceSpeedCaption();
    // Shown only while mirrors serve; in the smaller font, so that the third line stays within the panel.
    HostLabel = MakeLabel(Panel2, "", {16, 52, 0, 0}, SansSerif11(), text);
    Panel2->hide();
}

void TForm2::BuildPackagePanel() {
    Panel3 = MakePanel(this, {240, 384, 449, 65});
    Panel3->setFont(SimSun12());
    Label11 = MakeLabel(Panel3, texts::kFirmwareInfo, {8, 14, 48, 12}, SimSun12(), kDarkGrey);
    Label12 = MakeLabel(Panel3, texts::kUpgradeHint, {8, 38, 270, 12}, SimSun12(), kDarkGrey);
    Button2 = MakeButton(Panel3, texts::kUpgrade, {370, 8, 75, 49});
    Panel3->hide();
}

void TForm2::BuildKeyboardAndNames() {
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, Button1);
    setTabOrder(Button1, Button3);
    setTabOrder(Button3, WebBrowser1);
    setTabOrder(WebBrowser1, WebBrowser2);
    setTabOrder(WebBrowser2, Button2);
    // Enter presses a focused button, as Space does.
    for (QPushButton* button : {Button1, Button3, Button2}) button->setAutoDefault(true);
    // The history of upgrades, as browsers open theirs; the layout has no room for a button.
    auto* history = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    connect(history, &QShortcut::activated, this, [this] { Guarded([this] { ShowHistory(); }); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] {
        if (downloading_ && !Button3->isHidden()) Guarded([this] { Button3Click(); });
    });

    // A screen reader on Linux names a list by the label tied to it (Qt gives the list's own name its current
    // item there); elsewhere the list's name serves.
    Label2->setBuddy(ComboBox1);
    Label3->setBuddy(ComboBox2);
    ComboBox1->setAccessibleName(QTr(texts::kModelListName));
    ComboBox2->setAccessibleName(QTr(texts::kFirmwareListName));
    WebBrowser1->setAccessibleName(QTr(texts::kHomePageName));
    WebBrowser2->setAccessibleName(QTr(texts::kFirmwarePageName));
    ProgressBar1->setAccessibleName(QTr(texts::kProgressName));
    Memo1->setAccessibleName(QTr(texts::kInformationName));
    // The progress bar is labelled by its caption. (A caption tied to a value label would give that label its
    // own name in place of the value.)
    Label6->setBuddy(ProgressBar1);
    // The buttons are read by their captions, which change with the state (without the mnemonic's "&").
}

void TForm2::CancelClicked() {
    // The cancel button appears under the pointer: the second click of a double click on the download button
    // is not a cancel.
    if (downloadStarted_.isValid() && downloadStarted_.elapsed() < QApplication::doubleClickInterval()) return;
    Guarded([this] { Button3Click(); });
}

std::string TForm2::SelectedModel() const {
    const int i = ComboBox1->currentIndex();
    return i < 0 ? std::string() : ComboBox1->itemData(i).toByteArray().toStdString();
}

std::string TForm2::SelectedFirmware() const {
    const int i = ComboBox2->currentIndex();
    return i < 0 ? std::string() : ComboBox2->itemData(i).toByteArray().toStdString();
}

namespace {

// Items show the catalogue's names converted for display and keep the names themselves as their data.
void FillList(QComboBox* list, const std::vector<std::string>& names) {
    list->clear();
    for (const std::string& name : names)
        list->addItem(QString::fromStdString(platform::AnsiToUtf8(name)), QByteArray::fromStdString(name));
}

// A position outside the list leaves it without selection; false then.
bool SelectPosition(QComboBox* list, int position) {
    const bool inside = position >= 0 && position < list->count();
    list->setCurrentIndex(inside ? position : -1);
    return inside;
}

}  // namespace

void TForm2::FillModels() {
    std::vector<std::string> names;
    catalogue_->ReadSections(names);
    FillList(ComboBox1, names);
}

void TForm2::FillFirmware() {
    std::vector<std::string> names;
    catalogue_->ReadSection(SelectedModel(), names);
    FillList(ComboBox2, names);
}

void TForm2::FormCreate() {
    const TAppFiles& files = services_.Files;
    std::filesystem::create_directories(files.PackageStore());
    Button3->hide();
    selection_ = std::make_unique<platform::TIniFile>(files.SelectionFile());
    ComboBox1->clear();
    ComboBox2->clear();
    setWindowTitle(QTr(texts::kMainCaptionPrefix) + QString::fromStdString(VersionText()));
    WebBrowser1->Navigate(files.HomeUrl());
    catalogue_ = std::make_unique<platform::TIniFile>(files.CatalogueFile());
    ShowCatalogueAge();
    // Cut downloads of packages the catalogue no longer lists, or too old or too many, give their space back.
    PrunePartialDownloads(files.PackageStore(), ListedPackages(), std::time(nullptr));
    FillModels();
    const auto restore = [&](QComboBox* list, const char* key) {
        const int position = selection_->ReadInteger(texts::kSelectionSection, key, 0);
        if (!SelectPosition(list, position))
            services_.Trace.Line("error", std::string("user.ini ") + key + "=" + std::to_string(position) +
                                              " is outside the list of " + std::to_string(list->count()) +
                                              "; nothing is selected");
    };
    restore(ComboBox1, texts::kModelKey);
    FillFirmware();
    restore(ComboBox2, texts::kFirmwareKey);
    const std::string m = SelectedModel(), f = SelectedFirmware();
    WebBrowser2->ShowNote(QTr(texts::kPageLoading));
    FetchPage(m, f);
    WebBrowser2->Navigate(files.PageFile(m, f));
    ShowHidP3();
}

void TForm2::ShowCatalogueAge() {
    const trust::TTrustedKeys keys = trust::KeysInForce(services_.TrustedKeys, services_.Files.KeyChangesFile());
    if (!keys.Configured()) return;
    const auto facts = keys.AcceptedFacts(ReadSignatureFile(TAppFiles::SignatureOf(services_.Files.CatalogueFile())),
                                          TAppFiles::CatalogueName());
    const std::int64_t now = services_.UnixTime();
    if (!facts || trust::JudgeFreshness(*facts, now) == trust::TFreshness::Current) return;
    const QString days = QString::number(trust::DaysSinceSigning(*facts, now));
    const QString signedOn = QDateTime::fromSecsSinceEpoch(facts->Timestamp).date().toString(Qt::ISODate);
    CatalogueAgeLabel->setText(QTr(texts::kCatalogueOld).arg(days));
    CatalogueAgeLabel->setToolTip(QTr(texts::kCatalogueOldTip).arg(days, signedOn));
    CatalogueAgeLabel->setAccessibleName(CatalogueAgeLabel->toolTip());
    CatalogueAgeLabel->adjustSize();
    Label13->hide();
    CatalogueAgeLabel->show();
    services_.Trace.Line("notice", "the catalogue in use was signed " + days.toStdString() + " days ago, at " +
                                       UtcTimeText(facts->Timestamp));
}

void TForm2::ComboBox1Change() {
    FillFirmware();
    SelectPosition(ComboBox2, 0);
    ShowHidP3();
    DownShowHTML();
}

void TForm2::ComboBox2Change() {
    ShowHidP3();
    DownShowHTML();
}

void TForm2::FormClose() {
    if (ComboBox1->currentIndex() < 0 || ComboBox2->currentIndex() < 0 || !selection_) return;
    // Both in one write: a cut in between would pair the new model with the old one's firmware.
    selection_->WriteStrings(texts::kSelectionSection,
                             {{texts::kModelKey, std::to_string(ComboBox1->currentIndex())},
                              {texts::kFirmwareKey, std::to_string(ComboBox2->currentIndex())}});
}

void TForm2::closeEvent(QCloseEvent* event) {
    closing_ = true;
    // A download under way ends with the window; its Get returns once the connection is closed.
    if (downloading_) {
        cancelled_ = true;
        Guarded([this] { IdHTTP1->Disconnect(); });
    }
    // The window closes even when the selection cannot be saved.
    Guarded([this] { FormClose(); });
    event->accept();
    if (OnClosed) OnClosed();
}

}  // namespace yeroup::app
