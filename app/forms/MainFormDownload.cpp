// The package download with its progress display and cancel.
#include <stdexcept>

#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "platform/desktop/AtomicWrite.h"
#include "platform/streams/Stream.h"

namespace yeroup::app {

namespace {

QString Kilobytes(std::int64_t bytes) { return QString::number(bytes / 1024) + QString::fromUtf8(texts::kKilobytes); }

void SetAutoText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

}  // namespace

void TForm2::RestoreIdle() {
    Button3->hide();
    Button1->show();
    ProgressBar1->setValue(0);
    Panel2->hide();
    Timer1->stop();
    ComboBox1->setEnabled(true);
    ComboBox2->setEnabled(true);
}

void TForm2::Button1Click() {
    // The download button shows again once a cancel has closed the connection, before Get has returned.
    if (downloading_) return;
    ComboBox1->setEnabled(false);
    ComboBox2->setEnabled(false);
    Button1->hide();
    Button3->show();
    Panel3->hide();
    Panel2->show();
    IdAntiFreeze1->OnlyWhenIdle = false;

    platform::TMemoryStream stream;
    const std::string m = SelectedModel(), f = SelectedFirmware();
    downloading_ = true;
    cancelled_ = false;
    workBegan_ = false;
    try {
        IdHTTP1->Get(services_.Files.PackageUrl(m, f), stream);
    } catch (...) {
        downloading_ = false;
        RestoreIdle();
        ElapsedTicks = 0;
        if (!closing_)
            services_.MessageBoxes.MessageBox(this, texts::kDownloadFailed, texts::kDownloadFailedCaption,
                                              MB_OK | MB_ICONWARNING);
        ShowHidP3();
        return;
    }
    downloading_ = false;
    // Whatever happens to the package file, the controls go back to the idle state: an empty body raises no
    // work events, and a chunked body ends one work span per chunk.
    struct Idle {
        TForm2* form;
        ~Idle() { form->RestoreIdle(); }
    } idle{this};
    // Only a whole package replaces the stored one: the announced count must have arrived, without a cancel,
    // and an empty body is never a package.
    if (workBegan_ && !cancelled_ && ExpectedSize == ReceivedSize && stream.Size() > 0)
        platform::ReplaceFileAtomically(services_.Files.PackageFile(m, f), stream.Memory(),
                                        static_cast<std::size_t>(stream.Size()));
    Timer1->stop();
    Panel3->show();
    ComboBox1->setEnabled(true);
    ComboBox2->setEnabled(true);
    ShowHidP3();
}

void TForm2::IdHTTP1WorkBegin(net::TIdComponent*, net::TWorkMode, std::int32_t countMax) {
    workBegan_ = true;
    Panel2->show();
    Panel3->hide();
    ExpectedSize = countMax;
    SetAutoText(Label1, Kilobytes(ExpectedSize));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    Timer1->start();
}

void TForm2::IdHTTP1Work(net::TIdComponent*, net::TWorkMode, std::int32_t count) {
    // Without an announced size no percentage can be formed; the error ends the transfer.
    if (ExpectedSize == 0) throw std::domain_error("Division by zero");
    // Widened so that packages beyond 21 MB keep their percentage.
    const std::int64_t percent = static_cast<std::int64_t>(count) * 100 / ExpectedSize;
    SetAutoText(Label4, QString::number(percent) + QLatin1Char('%'));
    ProgressBar1->setValue(static_cast<int>(percent));
    SetAutoText(Label5, Kilobytes(count));
    ReceivedSize = count;
}

void TForm2::Timer1Timer() {
    ++ElapsedTicks;
    SetAutoText(Label10, Kilobytes(ReceivedSize / ElapsedTicks));
}

void TForm2::IdHTTP1WorkEnd(net::TIdComponent*, net::TWorkMode) {
    ProgressBar1->setValue(100);
    Timer1->stop();
    ElapsedTicks = 0;
    ProgressBar1->setValue(0);
    // During a download the rest of the idle look waits for Get to return, so that a chunked body does not
    // show the idle controls between its chunks.
    if (downloading_) return;
    Button3->hide();
    Button1->show();
    Panel2->hide();
    ComboBox1->setEnabled(true);
    ComboBox2->setEnabled(true);
}

void TForm2::Button3Click() {
    cancelled_ = true;
    Button3->hide();
    Button1->show();
    IdHTTP1->Disconnect();
    ProgressBar1->setValue(0);
    ElapsedTicks = 0;
    Panel3->hide();
}

}  // namespace yeroup::app
