// The package download with its progress display and cancel.
#include <algorithm>
#include <limits>
#include <stdexcept>

#include "app/core/FetchTrace.h"
#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "net/tls/IdSSLExceptions.h"
#include "platform/files/AtomicWrite.h"
#include "platform/streams/Stream.h"

namespace yeroup::app {

namespace {

QString Kilobytes(std::int64_t bytes) { return QString::number(bytes / 1024) + QString::fromUtf8(texts::kKilobytes); }

void SetAutoText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

// The message for the failure being handled: an https host whose certificate was refused is no network problem.
const char* DownloadFailureText() {
    try {
        throw;
    } catch (const net::EIdTLSCertificateError&) {
        return texts::kHostNotTrustedDownload;
    } catch (...) {
        return texts::kDownloadFailed;
    }
}

// A chunked body announces no size; each of its chunks is a work span of its own.
bool BodyIsChunked(http::TIdHTTPResponse& response) {
    return response.ContentLength() <= 0 &&
           response.HeaderLines.HeaderValue("Transfer-Encoding").find("chunked") != std::string::npos;
}

}  // namespace

void TForm2::ShowDownloadButton() {
    // Focus on the cancel button goes back to the download button, not to whatever follows a hidden button.
    const bool focused = focusWidget() == Button3;
    Button3->hide();
    Button1->show();
    if (focused) Button1->setFocus();
}

void TForm2::RestoreIdle() {
    ShowDownloadButton();
    ProgressBar1->setRange(0, 100);
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
    Button3->setFocus();
    Panel3->hide();
    Panel2->show();
    IdAntiFreeze1->OnlyWhenIdle = false;

    platform::TMemoryStream stream;
    const std::string m = SelectedModel(), f = SelectedFirmware();
    downloading_ = true;
    cancelled_ = false;
    workBegan_ = false;
    sizeUnknown_ = false;
    finishedChunks_ = chunkSoFar_ = 0;
    downloadStarted_.start();
    const std::string url = services_.Files.PackageUrl(m, f);
    const TFetchTrace trace(services_.Trace, *IdHTTP1, url, stream);
    try {
        IdHTTP1->Get(url, stream);
    } catch (...) {
        trace.Failed(cancelled_ ? "cancelled" : CurrentErrorText());
        const char* failure = DownloadFailureText();
        downloading_ = false;
        RestoreIdle();
        ElapsedTicks = 0;
        if (!closing_)
            services_.MessageBoxes.MessageBox(this, failure, texts::kDownloadFailedCaption, MB_OK | MB_ICONWARNING);
        ShowHidP3();
        return;
    }
    // Only a whole package can replace the stored one: the announced count (or, for a chunked body, its final
    // chunk) must have arrived, without a cancel, and an empty body is never a package. Its signature is fetched
    // while the download still counts as running.
    const bool whole = workBegan_ && !cancelled_ && (sizeUnknown_ || ExpectedSize == ReceivedSize) && stream.Size() > 0;
    if (whole)
        trace.Taken();
    else
        trace.Failed(cancelled_ ? "cancelled" : "not a whole package; the stored one stays");
    std::string signature;
    const bool verified = whole && DownloadedPackageVerified(m, f, stream, signature);
    downloading_ = false;
    // Whatever happens to the package file, the controls go back to the idle state: an empty body raises no
    // work events, and a chunked body ends one work span per chunk.
    struct Idle {
        TForm2* form;
        ~Idle() { form->RestoreIdle(); }
    } idle{this};
    if (verified) {
        const std::string file = services_.Files.PackageFile(m, f);
        platform::ReplaceFileAtomically(file, stream.Memory(), static_cast<std::size_t>(stream.Size()));
        if (!signature.empty())
            platform::ReplaceFileAtomically(TAppFiles::SignatureOf(file), signature.data(), signature.size());
    }
    Timer1->stop();
    ElapsedTicks = 0;  // a chunked body leaves its ticks running across the chunks
    Panel3->show();
    ComboBox1->setEnabled(true);
    ComboBox2->setEnabled(true);
    ShowHidP3();
    // A download run from the keyboard goes on at the upgrade button.
    const bool cancelFocused = focusWidget() == Button3;
    RestoreIdle();
    if (verified && cancelFocused && !Panel3->isHidden()) Button2->setFocus();
}

void TForm2::IdHTTP1WorkBegin(net::TIdComponent*, net::TWorkMode, std::int32_t countMax) {
    workBegan_ = true;
    Panel2->show();
    Panel3->hide();
    ExpectedSize = countMax;
    if (BodyIsChunked(IdHTTP1->Response())) {
        // The display counts across the chunks from the first one on: bytes so far and speed, a busy bar.
        if (sizeUnknown_) return;
        sizeUnknown_ = true;
        ElapsedTicks = 0;
        SetAutoText(Label1, QString::fromUtf8(texts::kUnknownSize));
        SetAutoText(Label4, QString());
        ProgressBar1->setRange(0, 0);
        Timer1->start();
        return;
    }
    SetAutoText(Label1, Kilobytes(ExpectedSize));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    Timer1->start();
}

void TForm2::IdHTTP1Work(net::TIdComponent*, net::TWorkMode, std::int32_t count) {
    if (sizeUnknown_) {
        chunkSoFar_ = count;
        const std::int64_t total = finishedChunks_ + count;
        SetAutoText(Label5, Kilobytes(total));
        ReceivedSize =
            static_cast<std::int32_t>(std::min<std::int64_t>(total, std::numeric_limits<std::int32_t>::max()));
        return;
    }
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
    if (sizeUnknown_ && downloading_) {
        // One chunk has ended; the download goes on with its timer and busy bar.
        finishedChunks_ += chunkSoFar_;
        chunkSoFar_ = 0;
        return;
    }
    ProgressBar1->setValue(100);
    Timer1->stop();
    ElapsedTicks = 0;
    ProgressBar1->setValue(0);
    // During a download the rest of the idle look waits for Get to return, so that a chunked body does not
    // show the idle controls between its chunks.
    if (downloading_) return;
    ShowDownloadButton();
    Panel2->hide();
    ComboBox1->setEnabled(true);
    ComboBox2->setEnabled(true);
}

void TForm2::Button3Click() {
    cancelled_ = true;
    ShowDownloadButton();
    IdHTTP1->Disconnect();
    ProgressBar1->setValue(0);
    ElapsedTicks = 0;
    Panel3->hide();
}

}  // namespace yeroup::app
